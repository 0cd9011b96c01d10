# MinGW cross build: the program, the simulator and (with Wine to run them) the Win32 tests.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# One self-contained file per program: no libgcc, libstdc++ or winpthread DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
set(QV_SYSTEM_LIBS rasapi32 wininet shell32 user32 gdi32 comctl32 kernel32 advapi32 ws2_32)

# Debian's header-only Boost and nlohmann-json: only their own folders on the include path,
# never all of /usr/include, whose host headers would shadow MinGW's.
set(QV_LIBRARY_HEADERS ${CMAKE_BINARY_DIR}/library-headers)
file(MAKE_DIRECTORY ${QV_LIBRARY_HEADERS})
foreach(library boost nlohmann)
    file(CREATE_LINK /usr/include/${library} ${QV_LIBRARY_HEADERS}/${library} SYMBOLIC)
endforeach()

# The HTTP control is portable, but here it calls its Windows helper (http_control_win.cpp):
# it goes with the adapters, so that the libraries keep linking one way.
list(FILTER QV_PORTABLE_SOURCES EXCLUDE REGEX "/control/http_control\\.cpp$")
list(APPEND QV_WIN_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/control/http_control.cpp)
qv_unity_sources(QV_PORTABLE_BATCHES qv_portable 4 ${QV_PORTABLE_SOURCES})
add_library(qv_portable STATIC ${QV_PORTABLE_BATCHES})
target_link_libraries(qv_portable PUBLIC qv_options ws2_32)
target_include_directories(qv_portable SYSTEM PUBLIC ${QV_LIBRARY_HEADERS})
# Asio's select reactor instead of IOCP: IOCP would add an import of mswsock.dll. Set where
# the portable code (the pool's Redis link) already sees it, so that every file including Asio
# agrees on its types.
target_compile_definitions(qv_portable PUBLIC BOOST_ASIO_DISABLE_IOCP BOOST_ASIO_NO_DEPRECATED)
qv_unity_sources(QV_WIN_BATCHES qv_win 4 FIRST windows.h ${QV_WIN_SOURCES})
add_library(qv_win STATIC ${QV_WIN_BATCHES})
target_link_libraries(qv_win PUBLIC qv_portable ${QV_SYSTEM_LIBS})

# The program's icon is generated, never drawn by hand.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QV_ICON ${CMAKE_BINARY_DIR}/res/quorvane.ico)
add_custom_command(OUTPUT ${QV_ICON}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/scripts/make_icon.py ${QV_ICON}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/scripts/make_icon.py)
add_custom_target(qv_icon DEPENDS ${QV_ICON})

add_executable(Quorvane WIN32 src/main_win.cpp src/line_wiring_win.cpp res/quorvane.rc)
add_dependencies(Quorvane qv_icon)
target_include_directories(Quorvane PRIVATE ${CMAKE_BINARY_DIR}/res ${CMAKE_CURRENT_SOURCE_DIR}/res)
set_source_files_properties(res/quorvane.rc PROPERTIES OBJECT_DEPENDS ${QV_ICON})
# The DLLs the first paint does not need (the phonebook, the echo page, the tray) are loaded on
# their first call, after it, instead of by the loader before the program's first line: import
# libraries of dlltool's delay-load kind, made from MinGW's own. Placed after qv_win, so that
# they, not the plain ones qv_win brings, resolve its calls. The test programs import normally.
set(QV_DELAY_LIBS)
foreach(dll rasapi32 wininet shell32)
    find_library(QV_IMPORT_${dll} NAMES ${dll} REQUIRED)
    set(delay_lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${delay_lib}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
        COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/scripts/delay_import_lib.py
                ${CMAKE_NM} ${CMAKE_DLLTOOL} ${QV_IMPORT_${dll}} ${dll}.dll ${delay_lib}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/scripts/delay_import_lib.py VERBATIM)
    list(APPEND QV_DELAY_LIBS ${delay_lib})
endforeach()
add_custom_target(qv_delay_libs DEPENDS ${QV_DELAY_LIBS})
add_dependencies(Quorvane qv_delay_libs)
target_link_libraries(Quorvane PRIVATE qv_win ${QV_DELAY_LIBS})
# The version for the resource script (a header: windres loses quotes given with -D), and
# for scripts/release.sh's archive names.
file(WRITE ${CMAKE_BINARY_DIR}/res/version.h
     "#define QV_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}\n#define QV_VERSION_MINOR ${PROJECT_VERSION_MINOR}\n"
     "#define QV_VERSION_PATCH ${PROJECT_VERSION_PATCH}\n#define QV_VERSION_TEXT \"${PROJECT_VERSION}\"\n")
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")

add_subdirectory(sim)

# The Win32 tests, the end-to-end suites and the benchmarks need Wine to run: a build without
# the emulator (the 32-bit preset) builds the program and the simulator only, which is what
# proves the 32-bit record sizes (their static_asserts are in the program's own headers).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
endif()

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()
file(GLOB QV_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/*_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/*_test.cpp)
# Test code is compiled without optimisation (half the compile time); the code under test is
# the shipped program's, built as it ships.
set(QV_TEST_OPTIONS -O0)
# Helpers of the Win32 tests, and the end-to-end driver (only the end-to-end tests and the
# benchmark drive the real program).
file(GLOB QV_WINE_TEST_HELPERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/support/*.cpp)
add_library(qv_wine_support STATIC ${QV_WINE_TEST_HELPERS})
target_link_libraries(qv_wine_support PUBLIC qv_win qv_sim_control GTest::gtest)
target_include_directories(qv_wine_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_compile_options(qv_wine_support PRIVATE ${QV_TEST_OPTIONS})
file(GLOB QV_E2E_DRIVER CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/support/*.cpp)
add_library(qv_e2e_driver STATIC ${QV_E2E_DRIVER})
target_link_libraries(qv_e2e_driver PUBLIC qv_wine_support)
target_compile_options(qv_e2e_driver PRIVATE ${QV_TEST_OPTIONS})
foreach(test_source ${QV_WINE_TESTS})
    get_filename_component(test_name ${test_source} NAME_WE)
    add_executable(${test_name} ${test_source})
    target_include_directories(${test_name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    target_link_libraries(${test_name} PRIVATE qv_wine_support GTest::gmock GTest::gtest_main)
    target_compile_options(${test_name} PRIVATE ${QV_TEST_OPTIONS})
    get_filename_component(test_layer ${test_source} DIRECTORY)
    get_filename_component(test_layer ${test_layer} NAME)
    if(test_layer STREQUAL "e2e")
        target_link_libraries(${test_name} PRIVATE qv_e2e_driver)
    endif()
    add_dependencies(${test_name} Quorvane sim_all)
    add_test(NAME ${test_layer}.${test_name} COMMAND ${test_name})
    # Each runs in a Wine slot of its own (scripts/test.sh: a prefix, a wineserver and a display;
    # scripts/wine-run.sh picks the slot CTest gave it); without slots, in the one environment.
    set_tests_properties(${test_layer}.${test_name} PROPERTIES TIMEOUT 300 RESOURCE_GROUPS "wine:1")
endforeach()

add_subdirectory(bench)

add_test(NAME ProgramImportsOnlySystemDlls
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:Quorvane>)

# The scripting test reads which ports the program listens on.
target_link_libraries(qv_wine_support PUBLIC iphlpapi)
# The page-fetch and notifier tests run their own HTTP server on the loopback interface.
foreach(test_name http_fetch_test notifier_test)
    target_link_libraries(${test_name} PRIVATE ws2_32)
endforeach()
# The notifier's hook that never ends, a program of its own beside the test.
add_executable(sleeping_hook tests/wine/helpers/sleeping_hook.cpp)
target_compile_options(sleeping_hook PRIVATE ${QV_TEST_OPTIONS})
add_dependencies(notifier_test sleeping_hook)
