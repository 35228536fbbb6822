# Version records for the reader's tests, written by the same tool the build uses for the
# program's own record. Each test file is a copy of that tool (a real ELF executable without
# a record) with the record added as a section by objcopy.
set(versioninfo_files ${CMAKE_CURRENT_BINARY_DIR}/versioninfo-files)
set(versioninfo_outputs "")

function(thermira_version_test_file name)
    set(record ${versioninfo_files}/${name}.bin)
    set(elf ${versioninfo_files}/${name}.elf)
    add_custom_command(OUTPUT ${record} ${elf}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${versioninfo_files}
        COMMAND thermira_versioninfo --output ${record} ${ARGN}
        COMMAND ${CMAKE_OBJCOPY} --add-section ${THERMIRA_VERSION_SECTION}=${record}
                $<TARGET_FILE:thermira_versioninfo> ${elf}
        DEPENDS thermira_versioninfo
        VERBATIM)
    set(versioninfo_outputs ${versioninfo_outputs} ${record} ${elf} PARENT_SCOPE)
endfunction()

set(all_strings
    --string CompanyName=Company --string FileDescription=Description --string FileVersion=3.15.0.7
    --string InternalName=Internal --string LegalCopyright=Copyright --string LegalTrademarks=Trademarks
    --string OriginalFilename=Original.exe --string ProductName=Product --string ProductVersion=4.1
    --string Comments=Comments --string PrivateBuild=Private --string SpecialBuild=Special)

# The layout check compares this one byte for byte.
thermira_version_test_file(small
    --file-version 1.2.3.4 --product-version 5.6.7.8 --translation 0x0409:0x04E4
    --table 040904E4 --string CompanyName=Co)
thermira_version_test_file(upper_key
    --file-version 3.15.0.7 --product-version 4.1 --translation 0x0409:0x04E4 --table 040904E4 ${all_strings})
thermira_version_test_file(lower_key
    --file-version 10.12.3.4 --translation 0409:04e4 --table 040904e4 ${all_strings})
thermira_version_test_file(no_private_special
    --file-version 2.0 --translation 0409:04E4 --table 040904E4
    --string CompanyName=Company --string ProductName=Product)
# Only the first translation counts, even when the string tables come in another order.
thermira_version_test_file(several_translations
    --translation 0407:04B0 --translation 0409:04E4
    --table 040904E4 --string CompanyName=English --string ProductName=Product
    --table 040704B0 --string CompanyName=Deutsch)
thermira_version_test_file(first_translation_without_table
    --translation 0411:03A4 --translation 0409:04E4 --table 040904E4 --string CompanyName=English)
thermira_version_test_file(other_code_page
    --translation 0409:04E4 --table 040904B0 --string CompanyName=Unicode)
thermira_version_test_file(no_translation
    --file-version 1.2 --table 040904E4 --string CompanyName=Company)
thermira_version_test_file(no_fixed_part
    --no-fixed --translation 0409:04E4 --table 040904E4 --string CompanyName=Company)

add_custom_target(tst_versioninfo_files DEPENDS ${versioninfo_outputs})

thermira_add_test(tst_versioninfo SOURCES tst_versioninfo.cpp LIBRARIES thermira_identity)
add_dependencies(tst_versioninfo tst_versioninfo_files thermira)
target_compile_definitions(tst_versioninfo PRIVATE
    VERSIONINFO_FILES="${versioninfo_files}"
    VERSIONINFO_SECTION="${THERMIRA_VERSION_SECTION}"
    THERMIRA_EXECUTABLE="$<TARGET_FILE:thermira>"
    THERMIRA_COMPANY_NAME="${THERMIRA_COMPANY_NAME}"
    THERMIRA_PRODUCT_NAME="${THERMIRA_PRODUCT_NAME}"
    THERMIRA_FILE_DESCRIPTION="${THERMIRA_FILE_DESCRIPTION}"
    THERMIRA_INTERNAL_NAME="${THERMIRA_INTERNAL_NAME}"
    THERMIRA_VERSION="${THERMIRA_VERSION}"
    THERMIRA_ORIGINAL_FILENAME="${THERMIRA_ORIGINAL_FILENAME}"
    THERMIRA_LEGAL_COPYRIGHT="${THERMIRA_LEGAL_COPYRIGHT}")
