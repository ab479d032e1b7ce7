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

    # The resource script as windres compiles it and icoutils read it back, and the icon file.
    add_test(NAME shell.windows_resources COMMAND sh ${kestrune_tests}/windows_resources_test.sh
        ${kestrune_shell}/kestrune.rc)
    set(kestrune_packaging_tests shell.windows_resources)

    if(UNIX AND NOT APPLE)
        # The validators' hints and infos fail too, and Exec must name the program built here.
        add_test(NAME packaging.desktop_entry COMMAND sh -c
            [[desktop-file-validate "$0" && test -x "$1/$(sed -n 's/^Exec=//p' "$0")"]]
            ${kestrune_shell}/linux/${KESTRUNE_APP_ID}.desktop $<TARGET_FILE_DIR:kestrune>)
        add_test(NAME packaging.metainfo COMMAND appstreamcli validate --no-net --explain
            ${kestrune_shell}/linux/${KESTRUNE_APP_ID}.metainfo.xml)
        set_tests_properties(packaging.desktop_entry PROPERTIES FAIL_REGULAR_EXPRESSION ".")
        set_tests_properties(packaging.metainfo PROPERTIES FAIL_REGULAR_EXPRESSION "[EWI]: ")
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
