# The Debian package, built by CPack's DEB generator after shell/packaging.cmake's install rules.

# The Maintainer field and changelog signature: we own no domain, so a packager names themself;
# unset, building the package fails (debian-maintainer.cmake).
set(KESTRUNE_MAINTAINER "" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"; required by cpack and make package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrune)
# Debian wants the long description wrapped; CPack indents each line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Kestrune obscures a line of text by moving the code of every character down"
    "by one fixed shift, and moves it back up again. It hides text from a casual"
    "glance only: anyone with the program can read it back.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTRUNE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, unseen by dpkg-shlibdeps, and libqt6gui6 only
# recommends them: without one the program cannot open its window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Without Wayland's plugin a Wayland session starts the program through XWayland, blurred where
# scaled, or not at all. Recommended, not required: the program runs on X11 without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/debian-maintainer.cmake)
# The changelog's date, as Debian writes it.
execute_process(COMMAND date -uRd ${KESTRUNE_RELEASE_DATE} OUTPUT_VARIABLE CPACK_KESTRUNE_RELEASE_DATE
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-docs.cmake
    ${CMAKE_CURRENT_LIST_DIR}/../reproducible.cmake)
include(CPack)
