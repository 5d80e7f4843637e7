# mosavelle_layer(NAME [DEPS layer...] [LIBS target...])
#
# Defines the static library `mosavelle-NAME` from every .cpp in src/core/NAME. Each layer links
# only the layers below it, so a wrong-way include fails at link time. A layer with no sources
# yet is an INTERFACE library so that the tree always configures.
function(mosavelle_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
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

# mosavelle_test_suite(NAME [LIBS target...]) — one GoogleTest executable per test folder.
function(mosavelle_test_suite dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "-" name ${dir})
  set(target tests-${name})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} mosavelle-test-support GTest::gtest_main GTest::gmock
                                          mosavelle-warnings)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
endfunction()
