# Batches of sources compiled as one translation unit each: the heavy headers (GoogleTest,
# windows.h, Asio) are read once a batch instead of once a file, which halves a fresh build.
# The batch files include their sources by paths relative to themselves (build/<preset>/unity
# inside the checkout), so that the compiler cache finds them again from a clone in another
# folder (CMake's own unity build writes absolute paths).
# qv_unity_sources(OUT_VAR NAME BATCHES [FIRST header] source...): OUT_VAR receives the batch
# files and, as they are, the sources that carry compile options of their own (the UTF-8 files).
# FIRST opens every batch with that header: the adapters include <windows.h>, whose A/W macros
# rename the ports' MessageBox and WriteProfileString, so it must come before any port in every
# batch, as it does in each adapter of its own.
function(qv_unity_sources out_var name batches)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "FIRST" "")
    set(opening "")
    if(arg_FIRST)
        set(opening "#include <${arg_FIRST}>\n")
    endif()
    set(batched)
    set(result)
    foreach(source ${arg_UNPARSED_ARGUMENTS})
        get_source_file_property(options ${source} COMPILE_OPTIONS)
        if(options)
            list(APPEND result ${source})
        else()
            list(APPEND batched ${source})
        endif()
    endforeach()
    list(LENGTH batched count)
    if(count GREATER 0)
        math(EXPR per_batch "(${count} + ${batches} - 1) / ${batches}")
        set(index 0)
        set(content "${opening}")
        foreach(source ${batched})
            file(RELATIVE_PATH relative ${CMAKE_BINARY_DIR}/unity ${source})
            string(APPEND content "#include \"${relative}\"\n")
            math(EXPR index "${index} + 1")
            math(EXPR left "${index} % ${per_batch}")
            if(left EQUAL 0 OR index EQUAL count)
                math(EXPR batch "(${index} - 1) / ${per_batch}")
                set(batch_file ${CMAKE_BINARY_DIR}/unity/${name}_${batch}.cpp)
                file(CONFIGURE OUTPUT ${batch_file} CONTENT "${content}")
                list(APPEND result ${batch_file})
                set(content "${opening}")
            endif()
        endforeach()
    endif()
    set(${out_var} ${result} PARENT_SCOPE)
endfunction()
