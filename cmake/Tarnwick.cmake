# Shared build settings for every target of the project.

set(TARNWICK_WARNINGS -Wall -Wextra -Wpedantic)
if(TARNWICK_WERROR)
  list(APPEND TARNWICK_WARNINGS -Werror)
endif()

if(TARNWICK_SANITIZE)
  string(REPLACE ";" "," _tw_san "${TARNWICK_SANITIZE}")
  add_compile_options(-fsanitize=${_tw_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_tw_san})
endif()

# tarnwick_add_library(<name> <sources...> [DEPS <targets...>] [PRIVATE_DEPS <targets...>])
# One static library per layer; headers are included by path from src/.
function(tarnwick_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# tarnwick_add_gtest(<name> <sources...> DEPS <targets...> [ENV <k=v>] [LABELS <label>] [TIMEOUT <s>])
function(tarnwick_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS;ENV;LABELS" ${ARGN})
  foreach(src IN LISTS ARG_UNPARSED_ARGUMENTS)
    if(NOT IS_ABSOLUTE ${src})
      set(src ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    endif()
    if(NOT EXISTS ${src})
      message(WARNING "Test ${name} skipped: ${src} does not exist")
      return()
    endif()
  endforeach()
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Every test is named <executable>.<suite>.<test>, so `ctest -R wmi_tests` selects one
  # executable. LABELS and ENV take one value each: the discovered tests' properties
  # cannot carry lists.
  list(LENGTH ARG_LABELS _nl)
  list(LENGTH ARG_ENV _ne)
  if(_nl GREATER 1 OR _ne GREATER 1)
    message(FATAL_ERROR "tarnwick_add_gtest(${name}): give at most one LABELS and one ENV value")
  endif()
  set(_props TIMEOUT 120)
  if(ARG_TIMEOUT)
    set(_props TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_LABELS)
    list(APPEND _props LABELS ${ARG_LABELS})
  endif()
  if(ARG_ENV)
    list(APPEND _props ENVIRONMENT ${ARG_ENV})
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${_props})
endfunction()

# tarnwick_add_layer(<name> [DEPS ...] [PRIVATE_DEPS ...]): a layer library made of
# every .cpp file in the calling folder (not its subfolders).
function(tarnwick_add_layer name)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    # Header-only so far (or a folder still being written).
    cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
    return()
  endif()
  tarnwick_add_library(${name} ${_sources} ${ARGN})
endfunction()
