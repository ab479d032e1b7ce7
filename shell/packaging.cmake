# The Linux program's install rules, desktop integration, manual page and Debian package.

include(GNUInstallDirs)

set(kestrune_shell ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS kestrune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Named by the application ID, which they carry with the maker, the version and the date.
foreach(type desktop metainfo.xml)
    configure_file(${kestrune_shell}/linux/kestrune.${type}.in ${KESTRUNE_APP_ID}.${type} @ONLY)
endforeach()
configure_file(${kestrune_shell}/linux/kestrune.1 kestrune.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${KESTRUNE_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
