# Native unit tests of the deciding logic, with AddressSanitizer and UBSan.
find_package(GTest REQUIRED)

set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_executable(unittests
    ${NIGHTFOLD_LOGIC_SOURCES}
    tests/unit/paths_test.cpp
    tests/unit/settings_test.cpp
    tests/unit/dialog_test.cpp
    tests/unit/duetime_test.cpp
    tests/unit/zone_rules_test.cpp
    tests/unit/endaction_test.cpp
    tests/unit/evening_test.cpp
    tests/unit/morning_test.cpp
    tests/unit/schedule_test.cpp
    tests/unit/language_test.cpp
)
target_include_directories(unittests PRIVATE logic resources)
target_compile_options(unittests PRIVATE -Wall -Wextra -Wno-missing-field-initializers -g ${SANITIZERS})
target_link_options(unittests PRIVATE ${SANITIZERS})
target_link_libraries(unittests PRIVATE GTest::gtest_main)

enable_testing()
add_test(NAME unittests COMMAND unittests)
