# Run by CPack before it builds the .deb: adds the copyright file and changelog Debian asks of
# every package, and compresses the changelog and the manual pages as Debian does.

set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${usr}/share/doc/${CPACK_PACKAGE_NAME})
set(mode FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The machine-readable copyright file from LICENSE: its holder and its grant, indented by one
# space, empty lines written as " .".
file(READ ${CPACK_RESOURCE_FILE_LICENSE} licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${licence}")
set(copyright_holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*\n(Permission )" "\\1" licence_text "${licence}")
string(STRIP "${licence_text}" licence_text)
string(REPLACE "\n" "\n " licence_text " ${licence_text}")
string(REPLACE "\n \n" "\n .\n" licence_text "${licence_text}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${doc}/copyright @ONLY ${mode})
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${doc}/changelog @ONLY ${mode})

file(GLOB_RECURSE pages ${usr}/share/man/*)
execute_process(COMMAND gzip -9n ${doc}/changelog ${pages} COMMAND_ERROR_IS_FATAL ANY)
