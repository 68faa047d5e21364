# Builds fuzz_layout with clang++ and runs it for SECONDS over the layout fixtures.
# cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DCLANGXX=... -DSECONDS=60 -P RunFuzz.cmake
set(fuzz_dir ${SOURCE_DIR}/tests/report/fuzz)
set(generator)
find_program(NINJA ninja)
if(NINJA)
    set(generator -G Ninja)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${fuzz_dir} -B ${BINARY_DIR} ${generator}
                        -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz: configuring failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target fuzz_layout -j2 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz: building failed")
endif()
# The first folder collects what the fuzzer finds; the fixtures are the seeds.
file(MAKE_DIRECTORY ${BINARY_DIR}/corpus)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{ASAN_OPTIONS} "detect_leaks=0:allocator_may_return_null=1")
execute_process(COMMAND ${BINARY_DIR}/fuzz_layout
                        -max_total_time=${SECONDS} -timeout=20 -rss_limit_mb=3072 -max_len=65536
                        -dict=${fuzz_dir}/layout.dict -artifact_prefix=${BINARY_DIR}/
                        ${BINARY_DIR}/corpus
                        ${SOURCE_DIR}/tests/report/fixtures/layouts
                        ${SOURCE_DIR}/tests/report/fixtures/layouts/field
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz: the layout reader failed; the input is in ${BINARY_DIR}/crash-* (or leak-*, timeout-*)")
endif()
