# Runs one fuzzer over its seeds.
#   cmake -DFUZZER=... -DWORK=... -DSEEDS=dir;dir [-DDICT=file] -DRUNS=N -DSEED=S -P RunFuzz.cmake
#     The tests' run: a fixed number of inputs from a fixed random seed over the committed seeds
#     only (what it finds new goes to a fresh WORK/check), so the same tree gives the same result
#     on every machine and at every run.
#   cmake -DFUZZER=... -DWORK=... -DSEEDS=dir;dir [-DDICT=file] -DSECONDS=N -P RunFuzz.cmake
#     A hunt: SECONDS of random inputs (WAYBILL_FUZZ_SECONDS in the environment overrides it),
#     growing the corpus WORK/hunt from one hunt to the next.
# Either way an input that fails is left in WORK (crash-*, leak-*, timeout-*, oom-*).
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
if(RUNS)
    # Qt's hashes take a random seed per process; fixed, the same inputs take the same paths.
    set(ENV{QT_HASH_SEED} 0)
    set(corpus ${WORK}/check)
    file(REMOVE_RECURSE ${corpus})
    set(limits -runs=${RUNS} -seed=${SEED})
else()
    if(DEFINED ENV{WAYBILL_FUZZ_SECONDS})
        set(SECONDS $ENV{WAYBILL_FUZZ_SECONDS})
    endif()
    set(corpus ${WORK}/hunt)
    set(limits -max_total_time=${SECONDS})
    message(STATUS "fuzz: ${FUZZER} for ${SECONDS} s; corpus ${corpus}")
endif()
file(MAKE_DIRECTORY ${corpus})
execute_process(COMMAND ${FUZZER} ${limits} -timeout=20 -rss_limit_mb=3072 -max_len=65536
                        ${dict} -artifact_prefix=${WORK}/ ${corpus} ${seeds}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz: ${FUZZER} failed; the input is in ${WORK}/crash-* (or leak-*, timeout-*, oom-*)")
endif()
