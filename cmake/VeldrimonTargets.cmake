# Helpers shared by every subsystem's CMakeLists.txt.

# vr_add_tests(<exe> SOURCES <files...> LIBS <libs...>)
# One GoogleTest executable, registered with CTest. Runs on Qt's offscreen platform.
function(vr_add_tests exe)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(VR_FUZZ)
    return()
  endif()
  add_executable(${exe} ${A_SOURCES})
  target_link_libraries(${exe} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${exe} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${exe} COMMAND ${exe})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${exe} PROPERTIES TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VR_SOURCE_DIR=${CMAKE_SOURCE_DIR};VR_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# vr_add_fuzzer(<name> SOURCE <file> LIBS <libs...>)
# With VR_FUZZ a libFuzzer binary <name>; otherwise a replay binary that runs every file of
# tests/fuzz/corpus/<name>/ through the same entry point, registered as a regression test.
function(vr_add_fuzzer name)
  cmake_parse_arguments(A "" "SOURCE" "LIBS" ${ARGN})
  if(VR_FUZZ)
    add_executable(${name} ${A_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  else()
    add_executable(${name}_replay ${A_SOURCE} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${A_LIBS})
    target_include_directories(${name}_replay PRIVATE ${CMAKE_SOURCE_DIR})
    set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${corpus})
    set_tests_properties(${name}_replay PROPERTIES TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()

# vr_tool_library(<lib>): link <lib> into veldrimon-tool.
function(vr_tool_library lib)
  set_property(GLOBAL APPEND PROPERTY VR_TOOL_LIBS ${lib})
endfunction()
