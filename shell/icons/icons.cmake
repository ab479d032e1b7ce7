# The icon images, drawn from kestrune.svg into ${KESTRUNE_ICON_DIR}: kestrune-16/32/48.png in
# RGBA, the same in 256 colours with one transparent (-8bit.png), and kestrune.ico holding the six,
# 256-colour ones first. No tool writes a date or anything of the machine: each build is the same.
find_program(KESTRUNE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KESTRUNE_CONVERT convert REQUIRED)
find_program(KESTRUNE_ICOTOOL icotool REQUIRED)

set(KESTRUNE_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(svg ${CMAKE_CURRENT_LIST_DIR}/kestrune.svg)
set(palette_pngs)
set(rgba_pngs)
set(KESTRUNE_ICON_SIZES 16 32 48)
foreach(size ${KESTRUNE_ICON_SIZES})
    set(rgba ${KESTRUNE_ICON_DIR}/kestrune-${size}.png)
    set(palette ${KESTRUNE_ICON_DIR}/kestrune-${size}-8bit.png)
    add_custom_command(OUTPUT ${rgba} ${palette}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRUNE_ICON_DIR}
        COMMAND ${KESTRUNE_RSVG_CONVERT} --width ${size} --height ${size} --output ${rgba} ${svg}
        # -strip: no date, time or colour-space chunks.
        COMMAND ${KESTRUNE_CONVERT} ${rgba} -strip PNG8:${palette}
        DEPENDS ${svg} VERBATIM)
    list(APPEND rgba_pngs ${rgba})
    list(APPEND palette_pngs ${palette})
endforeach()
set(KESTRUNE_ICON_PNGS ${rgba_pngs} ${palette_pngs})

set(KESTRUNE_ICO ${KESTRUNE_ICON_DIR}/kestrune.ico)
add_custom_command(OUTPUT ${KESTRUNE_ICO}
    COMMAND ${KESTRUNE_ICOTOOL} --create --output=${KESTRUNE_ICO}
        --bit-depth=8 ${palette_pngs} --bit-depth=32 ${rgba_pngs}
    DEPENDS ${KESTRUNE_ICON_PNGS} VERBATIM)
add_custom_target(kestrune_icons ALL DEPENDS ${KESTRUNE_ICON_PNGS} ${KESTRUNE_ICO})
