# Runs one fuzzer for SECONDS over its seeds; what it finds new goes to WORK/corpus.
# cmake -DFUZZER=... -DWORK=... -DSECONDS=30 -DSEEDS=dir;dir [-DDICT=file] -P RunFuzz.cmake
file(MAKE_DIRECTORY ${WORK}/corpus)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{ASAN_OPTIONS} "detect_leaks=0:allocator_may_return_null=1")
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
set(dict)
if(DICT)
    set(dict -dict=${DICT})
endif()
set(seeds)
foreach(dir ${SEEDS})
    if(IS_DIRECTORY ${dir})
        list(APPEND seeds ${dir})
    endif()
endforeach()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=20 -rss_limit_mb=3072 -max_len=65536
                        ${dict} -artifact_prefix=${WORK}/ ${WORK}/corpus ${seeds}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz: ${FUZZER} failed; the input is in ${WORK}/crash-* (or leak-*, timeout-*, oom-*)")
endif()
