# A program the locking tests start as other processes: it takes and
# releases locks through the client and the directory locks on command.
add_executable(locking_probe ${CMAKE_CURRENT_LIST_DIR}/helpers/locking_probe.cpp)
target_link_libraries(locking_probe PRIVATE sorvi_core)
if(TARGET test_core_locking)
  add_dependencies(test_core_locking locking_probe vexa_locking_daemon)
  target_compile_definitions(test_core_locking PRIVATE LOCKING_PROBE_EXE="$<TARGET_FILE:locking_probe>")
endif()
