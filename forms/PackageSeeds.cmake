# The generated tables of the setup menu's package lists (strings, languages,
# form packages, default images), built from boards/package-lists.json and
# forms/setup-forms.json by forms/builder. The simulator's build and the firmware
# images' build both include this file, so both compile the same bytes.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(FORMS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(FORMS_DATA_JSON ${FORMS_DIR}/setup-forms.json)
set(PACKAGE_LISTS_JSON ${CMAKE_SOURCE_DIR}/boards/package-lists.json)
# The freestanding half: the tables' declarations and lookups, for firmware and host alike.
set(FORMS_FIRMWARE_DIR ${FORMS_DIR}/firmware)

# forms_generate_seeds(OUTPUT): a custom command that writes the tables' source to OUTPUT.
function(forms_generate_seeds output)
  set(builder ${FORMS_DIR}/builder)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${Python3_EXECUTABLE} ${builder}/generate_package_seeds.py ${PACKAGE_LISTS_JSON} ${FORMS_DATA_JSON}
            ${output}
    DEPENDS ${builder}/generate_package_seeds.py ${builder}/form_packages.py ${PACKAGE_LISTS_JSON}
            ${FORMS_DATA_JSON}
    COMMENT "Building the setup forms into package lists"
    VERBATIM)
endfunction()
