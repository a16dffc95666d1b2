# The checker's engine: reading a manifest and its binding files, selecting
# for controller setups, judging every source, and the findings. olva-check
# and the olva_diagnostics library both link it, so they find the same.
#
# It calls the library's own document and rule code without carrying it:
# olva-check links the library's core, and a target that does not compiles
# OLVA_CHECK_ENGINE_LIBRARY_SOURCES: the name helpers, the rule table and the
# document functions, none of which calls the runtime or an entry point
# (registry.cpp comes along for its name helpers; its singleton is never
# reached from the engine).
set(OLVA_CHECK_ENGINE_LIBRARY_SOURCES
    ${PROJECT_SOURCE_DIR}/src/input/registry.cpp
    ${PROJECT_SOURCE_DIR}/src/input/digital_rules.cpp
    ${PROJECT_SOURCE_DIR}/src/input/documents_reading.cpp
    ${PROJECT_SOURCE_DIR}/src/input/documents_selection.cpp
    ${PROJECT_SOURCE_DIR}/src/input/documents_validation.cpp
)

if(TARGET olva_check_engine)
    return()
endif()

set(OLVA_CHECK_ENGINE_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(olva_check_engine STATIC
    ${OLVA_CHECK_ENGINE_DIR}/findings.cpp
    ${OLVA_CHECK_ENGINE_DIR}/terminal.cpp
    ${OLVA_CHECK_ENGINE_DIR}/bindings_model.cpp
    ${OLVA_CHECK_ENGINE_DIR}/wording.cpp
    ${OLVA_CHECK_ENGINE_DIR}/source_verdict.cpp
    ${OLVA_CHECK_ENGINE_DIR}/bindings_selection.cpp
    ${OLVA_CHECK_ENGINE_DIR}/bindings_judgement.cpp
)
target_include_directories(olva_check_engine PUBLIC
    ${OLVA_CHECK_ENGINE_DIR} ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(olva_check_engine PUBLIC nlohmann_json::nlohmann_json JsonCpp::JsonCpp)
set_target_properties(olva_check_engine PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
