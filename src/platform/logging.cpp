#include "logging.h"

Q_LOGGING_CATEGORY(lcThermira, "thermira")
