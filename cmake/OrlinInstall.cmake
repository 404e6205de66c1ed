# What `cmake --install` adds around the programs for a desktop: the menu entry, the
# AppStream metainfo, the icon in the hicolor theme (the SVG and PNG sizes rendered from
# it) and the manual pages. The programs, the language files and the sample install from
# their own folders. Paths are fixed as bin/ and share/, because an installed Orlin finds
# its share/orlin folder relative to its executable (../share/orlin), wherever the prefix.
set(ORLIN_APP_ID org.orlin_reader.Orlin)
set(orlin_resources ${PROJECT_SOURCE_DIR}/resources)
set(orlin_generated ${PROJECT_BINARY_DIR}/share)

install(FILES ${orlin_resources}/${ORLIN_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${orlin_resources}/${ORLIN_APP_ID}.metainfo.xml DESTINATION share/metainfo)

set(orlin_icon ${orlin_resources}/icons/${ORLIN_APP_ID}.svg)
install(FILES ${orlin_icon} DESTINATION share/icons/hicolor/scalable/apps)
find_program(ORLIN_RSVG_CONVERT rsvg-convert)
set(orlin_build_outputs)
if(ORLIN_RSVG_CONVERT)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${orlin_generated}/icons/${size}x${size}/${ORLIN_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${orlin_generated}/icons/${size}x${size}
            COMMAND ${ORLIN_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${orlin_icon}
            DEPENDS ${orlin_icon}
            VERBATIM)
        list(APPEND orlin_build_outputs ${png})
        install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(WARNING "rsvg-convert not found (librsvg2-bin): only the SVG icon is installed")
endif()

# Manual pages carry the project's version and are compressed, as Debian keeps them.
find_program(ORLIN_GZIP gzip REQUIRED)
foreach(page Orlin.1 OrlinSpeak.1 OrlinUpdater.1)
    configure_file(${orlin_resources}/${page} ${orlin_generated}/man/${page} @ONLY)
    set(gz ${orlin_generated}/man/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${ORLIN_GZIP} -9 -n -f -k ${orlin_generated}/man/${page}
        DEPENDS ${orlin_generated}/man/${page}
        VERBATIM)
    list(APPEND orlin_build_outputs ${gz})
    install(FILES ${gz} DESTINATION share/man/man1)
endforeach()

add_custom_target(orlin_desktop_files ALL DEPENDS ${orlin_build_outputs})
