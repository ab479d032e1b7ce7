# The Windows program: the Win32 view over kestrune_core, its entry point and resources, the
# installer and the zip, and their tests. Included by the top-level CMakeLists.txt in a build
# for Windows (see i686-w64-mingw32.cmake beside this file).

set(kestrune_win32 ${CMAKE_CURRENT_LIST_DIR})
set(kestrune_shell ${kestrune_win32}/..)

add_executable(Kestrune WIN32
    ${kestrune_win32}/main.cpp
    ${kestrune_win32}/message_box_reporter.cpp
    ${PROJECT_SOURCE_DIR}/main_window/win32/main_window.cpp
    ${kestrune_win32}/kestrune_windows.rc
)
target_compile_definitions(Kestrune PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(Kestrune PRIVATE kestrune_core comctl32)
# libstdc++ and libgcc inside the executable: it needs no DLL that Windows does not ship.
# Symbols stay out of release builds: the static runtime's would double the file's size.
target_link_options(Kestrune PRIVATE -static $<$<NOT:$<CONFIG:Debug>>:-s>)
# The scripts name their files relative to shell/.
set_property(SOURCE ${kestrune_win32}/kestrune_windows.rc APPEND PROPERTY
    INCLUDE_DIRECTORIES ${kestrune_shell})
set_property(SOURCE ${kestrune_win32}/kestrune_windows.rc APPEND PROPERTY OBJECT_DEPENDS
    ${kestrune_shell}/kestrune.rc ${kestrune_win32}/Kestrune.exe.manifest)
