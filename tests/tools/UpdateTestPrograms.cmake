# The reader and its installer as the update tests need them, built only with the tests into
# test-bin/: they trust the tests' own signing key instead of the maker's (and, asked by
# ORLIN_TEST_KILL_AT, end themselves at a step of a swap), once as this version ("current")
# and once as the next revision ("next", a newer release to update to). The programs in bin/
# never trust that key.
math(EXPR orlin_next_patch "${PROJECT_VERSION_PATCH} + 1")
set(orlin_next_generated ${PROJECT_BINARY_DIR}/generated-next)
block(SCOPE_FOR VARIABLES)
    set(PROJECT_VERSION_PATCH ${orlin_next_patch})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/OrlinVersion.h.in
        ${orlin_next_generated}/OrlinVersion.h @ONLY)
endblock()

set(orlin_trust_sources ${CMAKE_CURRENT_LIST_DIR}/UpdateTestTrust.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/UpdateSigning.cpp)
set(orlin_update_test_programs)
foreach(variant current next)
    set(reader update_${variant}_Orlin)
    set(installer update_${variant}_OrlinUpdater)
    add_executable(${reader} ${PROJECT_SOURCE_DIR}/src/app/main.cpp ${orlin_trust_sources})
    target_link_libraries(${reader} PRIVATE orlin_app orlin_net orlin_base)
    add_executable(${installer} ${PROJECT_SOURCE_DIR}/src/tools/OrlinUpdater.cpp
        ${PROJECT_SOURCE_DIR}/src/tools/UpdateInstaller.cpp ${orlin_trust_sources})
    target_link_libraries(${installer} PRIVATE orlin_base orlin_library orlin_net Qt6::Core)
    foreach(program ${reader} ${installer})
        target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        if(variant STREQUAL "next")
            # Its own ProgramInfo, built with the next version: the library's is not linked.
            target_sources(${program} PRIVATE ${PROJECT_SOURCE_DIR}/src/base/ProgramInfo.cpp)
            target_include_directories(${program} BEFORE PRIVATE ${orlin_next_generated})
        endif()
        set_target_properties(${program} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/test-bin/${variant})
    endforeach()
    set_target_properties(${reader} PROPERTIES OUTPUT_NAME Orlin)
    set_target_properties(${installer} PROPERTIES OUTPUT_NAME OrlinUpdater)
    list(APPEND orlin_update_test_programs ${reader} ${installer})
endforeach()

# The installer's own rules are tested directly too.
if(TARGET tools_tst_OrlinUpdater)
    target_sources(tools_tst_OrlinUpdater PRIVATE ${PROJECT_SOURCE_DIR}/src/tools/UpdateInstaller.cpp)
endif()
foreach(test tools_tst_OrlinUpdater tools_tst_UpdateCrash app_tst_UpdateEndToEnd)
    if(TARGET ${test})
        add_dependencies(${test} ${orlin_update_test_programs})
    endif()
endforeach()
