# Fails when a test's name would not read as one short line in ctest's output:
# a parameterized test whose parameter has no printer gets the parameter's
# bytes in its name ("# GetParam() = 72-byte object <...>", host pointers
# among them, so the name also changes from build to build), and ctest pads
# every line of a run to the longest name.
# cmake -DBUILD_DIR=<build folder> -P test_names_check.cmake
set(longest 160)
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${BUILD_DIR} -N OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ctest -N failed:\n${listing}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found "")
foreach(line ${lines})
  if(NOT line MATCHES "^ *Test +#[0-9]+: (.*)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  string(LENGTH "${name}" length)
  if(name MATCHES "GetParam\\(\\)" OR length GREATER longest)
    string(APPEND found "\n  ${name} (${length} characters)")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "test names that print a parameter's bytes or run past ${longest} characters "
                      "(give the parameter a PrintTo):${found}")
endif()
