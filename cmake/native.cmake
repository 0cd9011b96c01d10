# Host build: the portable code and its tests, under ASan and UBSan.
enable_testing()
set(QV_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${QV_SANITIZE})
add_link_options(${QV_SANITIZE})

add_library(qv_portable STATIC ${QV_PORTABLE_SOURCES})
find_package(Threads REQUIRED)
target_link_libraries(qv_portable PUBLIC qv_options Threads::Threads)
# <chrono> (which Asio includes) holds a "µs" that GBK cannot encode: these files have no
# Chinese texts and keep their literals in UTF-8.
set_source_files_properties(src/pool/redis_link.cpp src/pool/pool_publisher.cpp
                            tests/native/pool_publisher_test.cpp
                            PROPERTIES COMPILE_OPTIONS -fexec-charset=UTF-8)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB QV_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${QV_NATIVE_TESTS})
target_include_directories(native_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(native_tests PRIVATE qv_portable GTest::gtest GTest::gmock GTest::gtest_main)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)

# The include rules (portable files free of Windows headers, dependencies pointing one way)
# and the formatting of every source.
add_test(NAME SourcesKeepTheirIncludeRules
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-layers.sh
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME SourcesAreFormatted
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-format.sh
         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
