# The language files: copied beside the built executable, so that build/bin is a
# complete portable install, and installed into the shared data folder, where an
# installed program looks for them last. Included at the end of src/app, when the
# Orlin and orlin_core targets exist.
set(ORLIN_LANGUAGE_SOURCE ${PROJECT_SOURCE_DIR}/resources/Languages)

target_compile_definitions(orlin_core PRIVATE
    ORLIN_INSTALLED_LANGUAGE_PATH="${CMAKE_INSTALL_PREFIX}/share/orlin")

add_custom_command(TARGET Orlin POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory
        ${ORLIN_LANGUAGE_SOURCE} ${PROJECT_BINARY_DIR}/bin/Languages)

install(DIRECTORY ${ORLIN_LANGUAGE_SOURCE}/ DESTINATION share/orlin/Languages
    FILES_MATCHING PATTERN "*.txt")
