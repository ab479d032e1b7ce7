# The Linux program's install rules, desktop integration, manual page and Debian package.

include(GNUInstallDirs)

set(kestrune_shell ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS kestrune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
    install(FILES ${kestrune_shell}/linux/${KESTRUNE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The metadata and the manual page carry the version and the release's date.
    foreach(file ${KESTRUNE_APP_ID}.metainfo.xml kestrune.1)
        configure_file(${kestrune_shell}/linux/${file} ${file} @ONLY)
    endforeach()
    install(FILES ${PROJECT_BINARY_DIR}/${KESTRUNE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size ${KESTRUNE_ICON_SIZES})
        install(FILES ${KESTRUNE_ICON_DIR}/kestrune-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KESTRUNE_APP_ID}.png)
    endforeach()
    install(FILES ${kestrune_shell}/icons/kestrune.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KESTRUNE_APP_ID}.svg)

    install(FILES ${PROJECT_BINARY_DIR}/kestrune.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    include(${kestrune_shell}/linux/debian.cmake)
endif()
