# What the kestrune executable carries and how it is installed: the Linux desktop integration
# and manual page, the Debian package (shell/linux/debian.cmake), and the tests that check them
# and the Windows resource script with the tools that consume them. Included at the end of the
# top-level CMakeLists.txt; the Windows program has its own, shell/win32/windows.cmake.

include(GNUInstallDirs)

# Reverse-DNS name shared by the desktop entry, the AppStream metadata and the themed icon;
# desktop environments and software centres match them up by it.
set(KESTRUNE_APP_ID org.kestrune.kestrune)

set(kestrune_shell ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS kestrune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
    install(FILES ${kestrune_shell}/linux/${KESTRUNE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${kestrune_shell}/linux/${KESTRUNE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 32 48)
        install(FILES ${kestrune_shell}/icons/kestrune-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KESTRUNE_APP_ID}.png)
    endforeach()
    install(FILES ${kestrune_shell}/icons/kestrune.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KESTRUNE_APP_ID}.svg)

    install(FILES ${kestrune_shell}/linux/kestrune.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    include(${kestrune_shell}/linux/debian.cmake)
endif()

if(KESTRUNE_BUILD_TESTS)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(kestrune_tests ${PROJECT_SOURCE_DIR}/tests)

    add_test(NAME shell.windows_resources
        COMMAND Python3::Interpreter ${kestrune_tests}/windows_resources_test.py
            --rc ${kestrune_shell}/kestrune.rc --project-version ${PROJECT_VERSION})
    add_test(NAME shell.icon_files
        COMMAND Python3::Interpreter ${kestrune_tests}/icon_files_test.py
            --icons ${kestrune_shell}/icons --generator ${PROJECT_SOURCE_DIR}/tools/make-icons.py
            --rcc $<TARGET_FILE:Qt6::rcc>)
    set(kestrune_packaging_tests shell.windows_resources shell.icon_files)

    if(UNIX AND NOT APPLE)
        set(desktop_files_test ${kestrune_tests}/desktop_files_test.py
            --app-id ${KESTRUNE_APP_ID} --linux-dir ${kestrune_shell}/linux)
        add_test(NAME packaging.desktop_entry
            COMMAND Python3::Interpreter ${desktop_files_test} DesktopEntryTest)
        add_test(NAME packaging.metainfo
            COMMAND Python3::Interpreter ${desktop_files_test} MetainfoTest)
        add_test(NAME packaging.deb
            COMMAND Python3::Interpreter ${kestrune_tests}/deb_package_test.py
                --build-dir ${PROJECT_BINARY_DIR} --cpack ${CMAKE_CPACK_COMMAND}
                --app-id ${KESTRUNE_APP_ID})
        list(APPEND kestrune_packaging_tests
            packaging.desktop_entry packaging.metainfo packaging.deb)
    endif()
    # Each takes seconds; a hung tool must not eat the suite's time.
    set_tests_properties(${kestrune_packaging_tests} PROPERTIES TIMEOUT 60)
endif()
