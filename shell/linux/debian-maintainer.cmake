# Read by CPack before it builds anything: the package's Maintainer field must be a real contact,
# and only the packager has one to give.
if(NOT CPACK_DEBIAN_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<> ]+@[^<> ]+>$")
    message(FATAL_ERROR "The Debian package needs a maintainer, as \"Name <address>\": "
        "configure with -DKESTRUNE_MAINTAINER=\"Your Name <you@example.org>\", or run "
        "make package KESTRUNE_MAINTAINER=\"Your Name <you@example.org>\".")
endif()
