# CTest fixtures around the sample publisher (publisher.py).
#
#   quorvel_publisher_fixture(NAME [SERVERS a,b,c] [LIFETIME s])
#     adds NAME_start (FIXTURES_SETUP NAME) and NAME_stop (FIXTURES_CLEANUP
#     NAME). The publisher's state folder is ${CMAKE_CURRENT_BINARY_DIR}/NAME;
#     it serves the folder "root" inside it, which tests fill themselves.
#
#   quorvel_use_publisher(TEST NAME)
#     makes TEST require the fixture and hands it the state folder as the
#     Windows path in QUORVEL_PUBLISHER_DIR (Wine's Z: drive is the Unix root).
#     Tests sharing one fixture share one publisher, so they take the fixture's
#     name as a resource lock too.

find_program(QUORVEL_PYTHON3 NAMES python3 REQUIRED)
set(QUORVEL_PUBLISHER_PY ${CMAKE_CURRENT_LIST_DIR}/publisher.py)

function(quorvel_publisher_fixture name)
  cmake_parse_arguments(P "" "SERVERS;LIFETIME" "" ${ARGN})
  if(NOT P_SERVERS)
    set(P_SERVERS gate,dl0,dl1,dl2)
  endif()
  if(NOT P_LIFETIME)
    set(P_LIFETIME 900)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_test(NAME ${name}_start
           COMMAND ${QUORVEL_PYTHON3} ${QUORVEL_PUBLISHER_PY} start --dir ${dir}
                   --root ${dir}/root --servers ${P_SERVERS} --lifetime ${P_LIFETIME})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60
                       RESOURCE_LOCK ${name})
  add_test(NAME ${name}_stop
           COMMAND ${QUORVEL_PYTHON3} ${QUORVEL_PUBLISHER_PY} stop --dir ${dir})
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60
                       RESOURCE_LOCK ${name})
  file(MAKE_DIRECTORY ${dir}/root)
endfunction()

function(quorvel_use_publisher test name)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${name})
  set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK ${name})
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "QUORVEL_PUBLISHER_DIR=Z:${dir}")
endfunction()
