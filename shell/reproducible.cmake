# Run by CPack before it builds each package: every staged file's time becomes SOURCE_DATE_EPOCH
# and every mode 644 or 755 whatever the umask, so the same commit gives the same packages. The
# DEB generator reads SOURCE_DATE_EPOCH itself; the archive and NSIS generators only see the files.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_KESTRUNE_SOURCE_DATE_EPOCH)
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_KESTRUNE_SOURCE_DATE_EPOCH})
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND chmod -R u+rwX,go=rX . COMMAND_ERROR_IS_FATAL ANY
        WORKING_DIRECTORY ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
    execute_process(COMMAND find . -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
        COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
endif()
