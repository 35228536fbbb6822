// The location list commands of the main window: Add, the country picker, Delete, Select All,
// and loading and saving location files.
#include "tappform.h"

#include "identity.h"
#include "locations/locationlistmodel.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

void TAppForm::Button1Click()
{
    m_locations->append(LocationEntry{Edit1->text(), Edit2->text(), ComboBox1->currentText()});
}

void TAppForm::ComboBox1Change()
{
}

void TAppForm::Delete1Click()
{
    m_locations->removeSelected(ListView1->selectionModel()->selection());
}

void TAppForm::SelectAll1Click()
{
    ListView1->selectAll();
}

void TAppForm::Button3Click()
{
}

void TAppForm::Button4Click()
{
}
