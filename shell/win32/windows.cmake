# The Windows program over kestrune_core, its installer and zip, and their tests; cross-built with
# x86_64-w64-mingw32.cmake beside this file.

set(kestrune_win32 ${CMAKE_CURRENT_LIST_DIR})
set(kestrune_shell ${kestrune_win32}/..)

# Every Windows target of ours: the wide API, and windows.h without its extras and min/max.
target_compile_definitions(kestrune_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The window and the executable's resources, for the program and the window probe.
add_library(kestrune_ui OBJECT ${PROJECT_SOURCE_DIR}/main_window/win32/main_window.cpp
    ${kestrune_win32}/kestrune_windows.rc)
target_link_libraries(kestrune_ui PUBLIC kestrune_core comctl32 PRIVATE kestrune_options)

add_executable(Kestrune WIN32 ${kestrune_win32}/main.cpp)
target_link_libraries(Kestrune PRIVATE kestrune_ui kestrune_options)
# libstdc++ and libgcc linked in, so no DLL is needed that Windows does not ship. Release builds
# drop the symbols (the static runtime's would double the size); no link time, for reproducibility.
target_link_options(Kestrune PRIVATE -static $<$<NOT:$<CONFIG:Debug>>:-s> -Wl,--no-insert-timestamp)
# Icon group 1 over images 30001 to 30006, in the order of kestrune.ico.
set(icon_resources ${KESTRUNE_ICON_DIR}/rc/group-icon.bin)
foreach(id RANGE 30001 30006)
    list(APPEND icon_resources ${KESTRUNE_ICON_DIR}/rc/icon-${id}.bin)
endforeach()
add_custom_command(OUTPUT ${icon_resources}
    COMMAND python3 ${kestrune_win32}/icon_resources.py ${KESTRUNE_ICO} 30001 ${KESTRUNE_ICON_DIR}/rc
    DEPENDS ${KESTRUNE_ICO} ${kestrune_win32}/icon_resources.py VERBATIM)
# The scripts name their files relative to shell/, or to the build folder for generated ones.
configure_file(${kestrune_win32}/Kestrune.exe.manifest Kestrune.exe.manifest @ONLY)
set_property(SOURCE ${kestrune_win32}/kestrune_windows.rc APPEND PROPERTY
    INCLUDE_DIRECTORIES ${kestrune_shell} ${PROJECT_BINARY_DIR})
set_property(SOURCE ${kestrune_win32}/kestrune_windows.rc APPEND PROPERTY OBJECT_DEPENDS
    ${kestrune_shell}/kestrune.rc ${PROJECT_BINARY_DIR}/Kestrune.exe.manifest
    ${PROJECT_BINARY_DIR}/kestrune_version.h ${icon_resources})

# The installer (NSIS) and the zip both hold the executable and the licence beside it.
install(TARGETS Kestrune RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME Kestrune-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrune)
set(CPACK_VERBATIM_VARIABLES ON) # the NSIS lines below reach it as written here
# The Start-menu shortcut from the executable's plain path (CPack's own keeps a "\.\" in the
# link's item list). Removing it also removes the vendor's key, empty by then, which CPack leaves.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Kestrune.lnk' '$INSTDIR\\Kestrune.exe'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\$MUI_TEMP\\Kestrune.lnk'
DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_NSIS_MUI_ICON ${KESTRUNE_ICO})
set(CPACK_NSIS_MUI_UNIICON ${KESTRUNE_ICO})
set(CPACK_NSIS_INSTALLED_ICON_NAME Kestrune.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include '${kestrune_win32}/uninstall_running.nsh'")
# A 64-bit installer into the native Program Files. No file times: CPack writes some files while
# packaging, so the installed files are dated when they are installed.
set(CPACK_NSIS_DEFINES
    "Target amd64-unicode\nSetDateSave off\n!define MUI_FINISHPAGE_RUN '$INSTDIR\\Kestrune.exe'")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_PRE_BUILD_SCRIPTS ${kestrune_shell}/reproducible.cmake)
include(CPack)

if(KESTRUNE_BUILD_TESTS)
    enable_testing()
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows ${PROJECT_BINARY_DIR}/tests/windows)
endif()
