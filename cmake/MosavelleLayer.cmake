# mosavelle_layer(NAME [DEPS layer...] [LIBS target...] [SOURCES file.cpp...])
#
# Defines the static library `mosavelle-NAME` from the listed sources in src/core/NAME (names
# relative to that folder; a new file is added here by hand, so that the build never picks up a
# stray one). Each layer links only the layers below it, so a wrong-way include fails at link
# time. A layer with no sources yet is an INTERFACE library so that the tree always configures.
function(mosavelle_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS;LIBS;SOURCES" ${ARGN})
  set(sources)
  foreach(source IN LISTS ARG_SOURCES)
    list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${name}/${source})
  endforeach()
  set(target mosavelle-${name})
  set(deps)
  foreach(dep IN LISTS ARG_DEPS)
    list(APPEND deps mosavelle-${dep})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${deps} ${ARG_LIBS} PRIVATE mosavelle-warnings)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${deps} ${ARG_LIBS})
  endif()
endfunction()

# mosavelle_test_suite(DIR [LIBS target...]) — one GoogleTest executable per test file in DIR,
# named `test-<file name>` (e.g. tests/core/layout/geometry_test.cpp -> test-geometry_test), so that
# one suite can be built and run on its own.
function(mosavelle_test_suite dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  string(REPLACE "/" "-" label ${dir})
  foreach(source IN LISTS sources)
    get_filename_component(stem ${source} NAME_WE)
    set(target test-${stem})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} mosavelle-test-support GTest::gtest_main
                                            GTest::gmock mosavelle-warnings)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${label})
  endforeach()
endfunction()
