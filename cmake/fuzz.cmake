# libFuzzer targets over the deciding logic, built natively with clang,
# AddressSanitizer and UBSan. Not part of `make check`: `make fuzz` builds
# them into build/fuzz and runs each for a bounded time.
#
# A target is tests/fuzz/fuzz_<name>.cpp; add its name to the list below,
# with any logic sources it needs beyond NIGHTFOLD_LOGIC_SOURCES.
set(NIGHTFOLD_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer -g -O1)

set(NIGHTFOLD_FUZZ_TARGETS paths settings hours duetime zone evening)

set(NIGHTFOLD_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz target runs")
set(NIGHTFOLD_FUZZ_RUN_COMMANDS)
foreach(name IN LISTS NIGHTFOLD_FUZZ_TARGETS)
    add_executable(fuzz_${name} ${NIGHTFOLD_LOGIC_SOURCES} tests/fuzz/fuzz_${name}.cpp)
    target_include_directories(fuzz_${name} PRIVATE core power dialog resources)
    target_compile_options(fuzz_${name} PRIVATE -Wall -Wextra ${NIGHTFOLD_FUZZ_FLAGS})
    target_link_options(fuzz_${name} PRIVATE ${NIGHTFOLD_FUZZ_FLAGS})
    # Each target keeps its corpus between runs; crashes land in artifacts/.
    list(APPEND NIGHTFOLD_FUZZ_RUN_COMMANDS
        COMMAND ${CMAKE_COMMAND} -E make_directory corpus/${name} artifacts
        COMMAND $<TARGET_FILE:fuzz_${name}> -max_total_time=${NIGHTFOLD_FUZZ_SECONDS}
                -max_len=512 -print_final_stats=1 -artifact_prefix=artifacts/${name}-
                corpus/${name})
endforeach()

add_custom_target(run_fuzz ${NIGHTFOLD_FUZZ_RUN_COMMANDS}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    USES_TERMINAL
    VERBATIM)
foreach(name IN LISTS NIGHTFOLD_FUZZ_TARGETS)
    add_dependencies(run_fuzz fuzz_${name})
endforeach()
