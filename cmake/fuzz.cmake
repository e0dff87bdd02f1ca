# libFuzzer targets over the deciding logic, built natively with clang,
# AddressSanitizer and UBSan, into build/fuzz. `make check` builds every
# target and runs each briefly, a fixed number of runs from a fixed seed
# (ctest in this build); `make fuzz` runs each for a bounded time.
#
# A target is tests/fuzz/fuzz_<name>.cpp; add its name to the list below.
set(NIGHTFOLD_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

set(NIGHTFOLD_FUZZ_TARGETS paths settings hours duetime zone evening text player_folder)

set(NIGHTFOLD_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz target runs in make fuzz")
# How many runs each target makes in make check.
set(NIGHTFOLD_FUZZ_CHECK_RUNS 200000)

# The logic, compiled once for every target.
add_library(fuzz_logic STATIC ${NIGHTFOLD_LOGIC_SOURCES})
target_include_directories(fuzz_logic PUBLIC logic resources)
target_compile_options(fuzz_logic PRIVATE -Wall -Wextra -fsanitize=fuzzer-no-link ${NIGHTFOLD_FUZZ_FLAGS})

enable_testing()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/artifacts)
set(NIGHTFOLD_FUZZ_RUN_COMMANDS)
foreach(name IN LISTS NIGHTFOLD_FUZZ_TARGETS)
    add_executable(fuzz_${name} tests/fuzz/fuzz_${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE fuzz_logic)
    target_compile_options(fuzz_${name} PRIVATE -Wall -Wextra -fsanitize=fuzzer ${NIGHTFOLD_FUZZ_FLAGS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer ${NIGHTFOLD_FUZZ_FLAGS})
    # make fuzz: each target keeps its corpus between runs; crashes land in
    # artifacts/.
    list(APPEND NIGHTFOLD_FUZZ_RUN_COMMANDS
        COMMAND ${CMAKE_COMMAND} -E make_directory corpus/${name} artifacts
        COMMAND $<TARGET_FILE:fuzz_${name}> -max_total_time=${NIGHTFOLD_FUZZ_SECONDS}
                -max_len=512 -print_final_stats=1 -artifact_prefix=artifacts/${name}-
                corpus/${name})
    # make check: from nothing, the same runs every time.
    add_test(NAME fuzz.${name} COMMAND fuzz_${name} -runs=${NIGHTFOLD_FUZZ_CHECK_RUNS} -seed=1 -max_len=512
        -artifact_prefix=${CMAKE_BINARY_DIR}/artifacts/check-${name}-)
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120)
endforeach()

add_custom_target(run_fuzz ${NIGHTFOLD_FUZZ_RUN_COMMANDS}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    USES_TERMINAL
    VERBATIM)
foreach(name IN LISTS NIGHTFOLD_FUZZ_TARGETS)
    add_dependencies(run_fuzz fuzz_${name})
endforeach()
