# Fuzz build (clang and libFuzzer, under ASan and UBSan): one fuzzer per reader of outside
# bytes, tests/fuzz/<name>_fuzz.cpp each, over only the sources those readers need (a file here
# that no target reaches is compile time spent for nothing: the HTTP control alone took 30 s).
#
# clang has no GBK execution charset, so the portable code is compiled from copies whose narrow
# literals spell their GBK bytes as escapes: the same bytes g++ -fexec-charset=GBK stores.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QV_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${QV_SANITIZE})
add_link_options(${QV_SANITIZE})

set(QV_GBK_ROOT ${CMAKE_BINARY_DIR}/gbk)
set(QV_GBK_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/gbk_literals.py)
set(QV_FUZZED_SOURCES base/number_text base/text_helpers desktop/icon_file dialup/dial_target
    pool/resp ui/css_sheet ui/html_markup ui/link_layout web/read_sizing control/channel_command)
list(TRANSFORM QV_FUZZED_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/src/)
list(TRANSFORM QV_FUZZED_SOURCES APPEND .cpp)
file(GLOB QV_PORTABLE_HEADERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*/*.h)
list(FILTER QV_PORTABLE_HEADERS EXCLUDE REGEX "_win\\.h$")
set(QV_GBK_SOURCES)
foreach(original ${QV_FUZZED_SOURCES} ${QV_PORTABLE_HEADERS})
    file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR}/src ${original})
    set(copy ${QV_GBK_ROOT}/${relative})
    add_custom_command(OUTPUT ${copy}
        COMMAND Python3::Interpreter ${QV_GBK_SCRIPT} ${original} ${copy}
        DEPENDS ${original} ${QV_GBK_SCRIPT})
    list(APPEND QV_GBK_SOURCES ${copy})
endforeach()

# Listing the header copies makes them exist before anything is compiled.
add_library(qv_portable STATIC ${QV_GBK_SOURCES})
target_include_directories(qv_portable BEFORE PUBLIC ${QV_GBK_ROOT})
find_package(Threads REQUIRED)
target_link_libraries(qv_portable PUBLIC qv_options Threads::Threads)
target_compile_options(qv_portable PRIVATE -fsanitize=fuzzer-no-link)

file(GLOB QV_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${QV_FUZZ_TARGETS})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE qv_portable)
endforeach()
