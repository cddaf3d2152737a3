# Generates the module's icon from its picture description; included by module/, so the
# generated file is a dependency of the module target's resource script.
set(TABRINOX_ICON_SOURCE ${CMAKE_SOURCE_DIR}/resources/icon/clipboard.icon)
set(TABRINOX_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icon)
set(TABRINOX_ICON ${TABRINOX_ICON_DIR}/tabrinox.ico)

add_custom_command(
    OUTPUT ${TABRINOX_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TABRINOX_ICON_DIR}
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/resources/make_icon.py
            ${TABRINOX_ICON_SOURCE} ${TABRINOX_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icon.py ${TABRINOX_ICON_SOURCE}
    COMMENT "Generating the module icon"
    VERBATIM)

# windres looks the icon up in the include directories
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tabrinox.rc PROPERTIES
    INCLUDE_DIRECTORIES ${TABRINOX_ICON_DIR}
    OBJECT_DEPENDS ${TABRINOX_ICON})
