# The replays run the fuzz harnesses (fuzz/harness) over the stored inputs.
target_link_libraries(test_core_fuzz_regressions PRIVATE sorvi_fuzz_harness)
