# The tests of the core's portable part (src/CMakeLists.txt), built as
# Windows programs. The files that still call POSIX directly have no
# Windows build yet, nor their tests: the file stores, the captures, the
# session with its serial link, the virtual module.
add_executable(core_tests
  common/codecs_test.cpp
  common/code_page_test.cpp
  common/texts_test.cpp
  common/stop_wait_test.cpp
  common/instructions_test.cpp
  common/at_answer_test.cpp
  common/task_queue_test.cpp
  common/periodic_timer_test.cpp
  common/stored_strings_test.cpp
  common/input_history_test.cpp
  common/line_rate_test.cpp
  common/transfer_stats_test.cpp
  common/file_transfer_test.cpp
  common/time_stamp_test.cpp
  common/pane_stamps_test.cpp
  storage/settings_file_test.cpp
  storage/flow_words_test.cpp
  storage/pane_options_test.cpp
  storage/log_name_test.cpp
  session/enablement_test.cpp
  serial/baud_search_test.cpp
)
target_include_directories(core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(core_tests PRIVATE zephyn_core GTest::gtest_main)
target_precompile_headers(core_tests PRIVATE
  <gtest/gtest.h> <algorithm> <atomic> <chrono> <cstdint> <functional> <memory> <mutex>
  <string> <thread> <vector>)

# One test per program, run through the emulator (Wine) that the toolchain
# file names; scripts/test-wine.sh runs them with a private Wine prefix.
add_test(NAME core_tests COMMAND core_tests)
set_tests_properties(core_tests PROPERTIES TIMEOUT 300 LABELS core)
