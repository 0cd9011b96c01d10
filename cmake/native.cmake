# Host build: the portable code and its tests, under ASan and UBSan.
enable_testing()
set(QV_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${QV_SANITIZE})
add_link_options(${QV_SANITIZE})

qv_unity_sources(QV_PORTABLE_BATCHES qv_portable 4 ${QV_PORTABLE_SOURCES})
add_library(qv_portable STATIC ${QV_PORTABLE_BATCHES})
find_package(Threads REQUIRED)
target_link_libraries(qv_portable PUBLIC qv_options Threads::Threads)
# As in the Windows build: C++20's <chrono> (which Asio includes) does not encode as GBK.
set(QV_UTF8_TESTS tests/native/pool_publisher_test.cpp tests/native/command_channel_test.cpp
                  tests/native/pool_fleet_test.cpp tests/native/http_session_test.cpp
                  tests/native/command_queue_test.cpp)
set_source_files_properties(${QV_UTF8_TESTS} PROPERTIES COMPILE_OPTIONS -fexec-charset=UTF-8)

find_package(GTest REQUIRED)
file(GLOB QV_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/native/*.cpp)
qv_unity_sources(QV_NATIVE_TEST_BATCHES native_tests 6 ${QV_NATIVE_TESTS})
add_executable(native_tests ${QV_NATIVE_TEST_BATCHES})
target_include_directories(native_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(native_tests PRIVATE qv_portable GTest::gtest GTest::gmock GTest::gtest_main)
# One process for the whole suite: 177 processes of 0.15 s each cost more than the tests.
add_test(NAME native_tests COMMAND native_tests)

# The include rules (portable files free of Windows headers, dependencies pointing one way)
# and the formatting of every source.
add_test(NAME SourcesKeepTheirIncludeRules
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-layers.sh
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME SourcesAreFormatted
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-format.sh
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})

# The threads of the HTTP control and the command queue under ThreadSanitizer, which cannot
# share a program with ASan: their portable sources compiled again, with the tests that run
# a real server against a fake window thread.
file(GLOB QV_TSAN_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/base/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/src/app/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/control/*.cpp)
list(FILTER QV_TSAN_SOURCES EXCLUDE REGEX "_win\\.cpp$")
qv_unity_sources(QV_TSAN_BATCHES qv_portable_tsan 3 ${QV_TSAN_SOURCES})
add_library(qv_portable_tsan STATIC ${QV_TSAN_BATCHES})
target_link_libraries(qv_portable_tsan PUBLIC qv_options)
add_executable(native_tsan_tests tests/native/http_session_test.cpp tests/native/inbox_test.cpp
               tests/native/command_queue_test.cpp)
target_link_libraries(native_tsan_tests PRIVATE qv_portable_tsan GTest::gtest GTest::gtest_main)
# -Wno-tsan: GCC warns of the fences Asio puts around handlers; the scheduler's own locks,
# which TSAN does see, order them.
set(QV_TSAN -fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
set_target_properties(qv_portable_tsan native_tsan_tests PROPERTIES
                      COMPILE_OPTIONS "${QV_TSAN}" LINK_OPTIONS "${QV_TSAN}")
add_test(NAME native_tsan_tests COMMAND native_tsan_tests)

# Files compiled as UTF-8 hold no non-ASCII narrow literal, nor do the headers of ours they
# include.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME Utf8SourcesHoldNoChineseLiterals
         COMMAND Python3::Interpreter scripts/gbk_literals.py --utf8-files CMakeLists.txt
                 cmake/native.cmake
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})

# The fleet simulation (scripts/bench-fleet.sh): a benchmark, built with the tests so that it
# keeps building, never run by them.
add_executable(fleet_sim bench/fleet_sim.cpp)
target_include_directories(fleet_sim PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(fleet_sim PRIVATE qv_portable)
