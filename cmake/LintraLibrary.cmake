# lintra_library(<name> [DEPS <targets>...]): a static library of every .cpp
# in the calling folder, with the repository root on its include path, so
# that sources include "image/dib.h", "raster/edge.h" and so on.
function(lintra_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# lintra_test(<name> LABELS <labels>... DEPS <targets>... [SOURCES <files>...]):
# a GoogleTest program (every .cpp of the calling folder unless SOURCES is
# given), its cases registered with CTest under the given labels. Tests find
# what they read (tests/data) through LINTRA_TEST_DATA_DIR.
function(lintra_test name)
  cmake_parse_arguments(ARG "" "" "LABELS;DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  # Shared fixtures: #include "support/fake_platform.h" and the like.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    LINTRA_TEST_DATA_DIR="${LINTRA_TEST_DATA_DIR}"
    LINTRA_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()
