# Each layer folder under src/ builds one static library from every source file in it,
# so adding a class never means editing a shared list. PUBLIC names what the layer's
# headers need (and so every user of the layer), PRIVATE what only its sources use;
# scripts/check-layers keeps the includes in step with these lists.
function(orlin_library name)
    cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(orlin_${name} STATIC ${sources})
    add_library(Orlin::${name} ALIAS orlin_${name})
    target_include_directories(orlin_${name} PUBLIC
        ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(orlin_${name} PUBLIC ${ARG_PUBLIC} ${ARG_LINKS} PRIVATE ${ARG_PRIVATE})
endfunction()
