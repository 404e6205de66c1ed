# The language files: copied beside the built executable whenever one changes, so
# that build/bin is a complete portable install, and installed into the shared data
# folder, where an installed program looks for them last. Included at the end of
# src/app, when the Orlin and orlin_base targets exist.
set(ORLIN_LANGUAGE_SOURCE ${PROJECT_SOURCE_DIR}/resources/Languages)
set(ORLIN_LANGUAGE_BUILD ${PROJECT_BINARY_DIR}/bin/Languages)

target_compile_definitions(orlin_base PRIVATE
    ORLIN_INSTALLED_LANGUAGE_PATH="${CMAKE_INSTALL_PREFIX}/share/orlin")

file(GLOB orlin_language_files CONFIGURE_DEPENDS ${ORLIN_LANGUAGE_SOURCE}/*.txt)
set(orlin_language_copies)
foreach(file IN LISTS orlin_language_files)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${ORLIN_LANGUAGE_BUILD}/${name}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${ORLIN_LANGUAGE_BUILD}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${ORLIN_LANGUAGE_BUILD}/${name}
        DEPENDS ${file}
        VERBATIM)
    list(APPEND orlin_language_copies ${ORLIN_LANGUAGE_BUILD}/${name})
endforeach()
add_custom_target(orlin_languages ALL DEPENDS ${orlin_language_copies})
add_dependencies(Orlin orlin_languages)

install(FILES ${orlin_language_files} DESTINATION share/orlin/Languages)
