# What the kestrune executable carries and how it is installed: Windows resources, the Linux
# desktop integration, the Debian package, and the tests that check all three with the tools
# that consume them. Included at the end of the top-level CMakeLists.txt.

include(GNUInstallDirs)

# Reverse-DNS name shared by the desktop entry, the AppStream metadata and the themed icon;
# desktop environments and software centres match them up by it.
set(KESTRUNE_APP_ID org.kestrune.kestrune)

set(kestrune_shell ${CMAKE_CURRENT_LIST_DIR})

if(WIN32)
    target_sources(kestrune PRIVATE ${kestrune_shell}/kestrune.rc)
    # The script names its icon files relative to its own folder; not every resource
    # compiler looks there by itself.
    set_property(SOURCE ${kestrune_shell}/kestrune.rc APPEND PROPERTY
        INCLUDE_DIRECTORIES ${kestrune_shell})
    set_target_properties(kestrune PROPERTIES WIN32_EXECUTABLE ON)
endif()

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

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME kestrune)
    set(CPACK_PACKAGE_VENDOR "The Kestrune developers")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
    # Debian wants the long description wrapped; CPack indents each line.
    string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
        "Kestrune obscures a line of text by moving the code of every character down"
        "by one fixed shift, and moves it back up again. It hides text from a casual"
        "glance only: anyone with the program can read it back.")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Kestrune developers")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Qt finds its platform plugins at run time, so dpkg-shlibdeps cannot see them, and
    # libqt6gui6 only recommends them: without one the program cannot open its window.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    include(CPack)
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
                --app-id ${KESTRUNE_APP_ID} --shell-dir ${kestrune_shell}
                --version ${PROJECT_VERSION})
        list(APPEND kestrune_packaging_tests
            packaging.desktop_entry packaging.metainfo packaging.deb)
    endif()
    # Each takes seconds; a hung tool must not eat the suite's time.
    set_tests_properties(${kestrune_packaging_tests} PROPERTIES TIMEOUT 60)
endif()
