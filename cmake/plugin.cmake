# The shipped DLL, gen_nightfold.dll, built without the C runtime: no
# start-up code, no libgcc or libstdc++, imports from KERNEL32, USER32 and
# ADVAPI32 only, loadable by the 9x family (subsystem version 4.0).
enable_language(RC)

set(NIGHTFOLD_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(NIGHTFOLD_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
find_program(PYTHON_FOR_TOOLS NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)

add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/nightfold.ico
    COMMAND ${PYTHON_FOR_TOOLS} ${CMAKE_SOURCE_DIR}/resources/make_icon.py
            ${CMAKE_SOURCE_DIR}/resources/icon.txt ${CMAKE_BINARY_DIR}/nightfold.ico
    DEPENDS resources/make_icon.py resources/icon.txt
)

add_library(nightfold SHARED
    ${NIGHTFOLD_LOGIC_SOURCES}
    core/plugin.cpp
    core/state.cpp
    core/settings.cpp
    core/evening_worker.cpp
    core/clock.cpp
    core/morning_worker.cpp
    core/player.cpp
    core/words.cpp
    power/probes.cpp
    power/endaction.cpp
    power/wake.cpp
    dialog/config_dialog.cpp
    dialog/hour_picker.cpp
    dialog/notice.cpp
    dialog/menu.cpp
    resources/nightfold.rc
    core/nightfold.def
)
set_source_files_properties(resources/nightfold.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/nightfold.ico;${CMAKE_SOURCE_DIR}/resources/resource.h")
target_include_directories(nightfold PRIVATE ${CMAKE_BINARY_DIR} resources)
set_target_properties(nightfold PROPERTIES
    OUTPUT_NAME gen_nightfold
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${NIGHTFOLD_DIST_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
)
# Size: the DLL must stay within 160 KiB, every language included. The toolchain lays out its
# standard sections (.text, .data, .rdata, .bss, .edata, .idata, .rsrc,
# .reloc), each in a whole number of 512-byte file blocks (the file
# alignment that Windows 98 needs; the section alignment stays 4 KiB). Two
# measures that cost nothing:
# - -mpreferred-stack-boundary=2: the stack alignment that Win32 on x86
#   actually guarantees (4 bytes) instead of GCC's 16, which it kept with
#   padding in every function that calls another (about 400 bytes of .text).
#   Nothing here needs more (no SSE; 8-byte values work at 4).
# - no -fdata-sections: with it, mingw's GCC gives even a zero-filled
#   variable a data section of its own, with its zeroes in the file; the
#   state record (700 bytes) then takes room on disk instead of in .bss.
# Measured with the settings saved as one section, the options of "At the
# set time" and the fade's volume given back at init: 17408 bytes (.text
# 0x1c58, .data 0x1c, .rdata 0x4a4, .edata 0x62, .idata 0x70c, .rsrc 0xa68,
# .reloc 0x258, 0x400 of headers; .bss 0x2a8 takes no room in the file).
# tests/check_pe.py checks the limit, the alignments, that no section is
# writable and executable, and the subsystem version 4.0 that the 9x family
# and NT 4.0 need.
# Stack: without the C runtime there is no __chkstk, so -mno-stack-arg-probe.
# A frame larger than a page could then step over a thread's guard page at
# its first push: a frame over 3 KiB is a build error, so that every frame
# touches its stack within a page of the one before.
target_compile_options(nightfold PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Os -Wall -Wextra -Wno-missing-field-initializers -fno-exceptions -fno-rtti
        -fno-asynchronous-unwind-tables -fno-threadsafe-statics -fno-stack-protector
        -fno-ident -ffunction-sections -mno-stack-arg-probe -mpreferred-stack-boundary=2
        -Werror=frame-larger-than=3072>
)
target_link_options(nightfold PRIVATE
    -nostdlib -nostartfiles -s
    -Wl,-e,_DllEntryPoint@12
    -Wl,--gc-sections
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
)
target_link_libraries(nightfold PRIVATE kernel32 user32 advapi32)

# The test host: loads the DLL as the player does and drives it.
add_executable(nfhost
    tests/host/host.cpp
    tests/host/iat.cpp
    tests/host/fakes.cpp
    tests/host/cases_spine.cpp
    tests/host/cases_dialog.cpp
    tests/host/cases_alarm.cpp
    tests/host/cases_endaction.cpp
    tests/host/cases_bench.cpp
    tests/host/cases_hardening.cpp
    tests/host/cases_exit.cpp
    tests/host/cases_menu.cpp
    tests/host/cases_languages.cpp
    logic/duetime.cpp
    logic/language.cpp
    ${NIGHTFOLD_TEXTS}
    logic/zone_rules.cpp
    logic/schedule.cpp
    logic/morning.cpp
    logic/evening.cpp
)
target_include_directories(nfhost PRIVATE logic)
target_compile_options(nfhost PRIVATE -Wall -Wextra -Wno-missing-field-initializers -O1)
target_link_options(nfhost PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(nfhost PRIVATE user32 advapi32 kernel32)
# The same host under other names, which the prefix reports as Windows 98
# and as Windows NT 4.0.
add_custom_command(TARGET nfhost POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nfhost> ${CMAKE_BINARY_DIR}/nfhost98.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nfhost> ${CMAKE_BINARY_DIR}/nfhostnt4.exe)

enable_testing()
# Every Wine process runs in the same locale, whatever the machine's: the
# Unix locale decides the ANSI code page (C.UTF-8, always present on Debian,
# gives code page 1252) and how Wine writes file names.
set(NIGHTFOLD_WINE_ENVIRONMENT "WINEPREFIX=${NIGHTFOLD_WINEPREFIX};WINEDEBUG=-all;LC_ALL=C.UTF-8;LANGUAGE=")
# A prefix made once and its server ended after the run, as a fixture of
# that name.
function(nightfold_wine_prefix fixture prefix)
    add_test(NAME ${fixture}.setup COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wineprefix.sh)
    add_test(NAME ${fixture}.cleanup COMMAND wineserver -k)
    set_tests_properties(${fixture}.setup PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 300)
    set_tests_properties(${fixture}.cleanup PROPERTIES FIXTURES_CLEANUP ${fixture})
    set_tests_properties(${fixture}.setup ${fixture}.cleanup PROPERTIES
        ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all;LC_ALL=C.UTF-8;LANGUAGE=")
endfunction()
nightfold_wine_prefix(wineprefix ${NIGHTFOLD_WINEPREFIX})
# Wine keeps the regional format in the prefix's registry and rewrites it
# whenever a process starts in another locale: the cases run in a locale of
# their own share a second prefix, one at a time, away from the cases in the
# prefix's locale.
set(NIGHTFOLD_LOCALE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-locales)
nightfold_wine_prefix(wineprefix_locales ${NIGHTFOLD_LOCALE_PREFIX})

# One Wine test per case of the host; 98 cases run the host that reports the
# 9x family, _nt4 cases the one that reports Windows NT 4.0. Wine takes the
# time zone from TZ, per process: UTC unless a case names another with
# nightfold_wine_time_zone. Cases run in parallel: each names its plugin
# files, and so its timers, after itself.
set(NIGHTFOLD_WINE_CASES "")
function(nightfold_wine_tests)
    foreach(case IN LISTS ARGN)
        if(case MATCHES "98$")
            set(host ${CMAKE_BINARY_DIR}/nfhost98.exe)
        elseif(case MATCHES "_nt4$")
            set(host ${CMAKE_BINARY_DIR}/nfhostnt4.exe)
        else()
            set(host $<TARGET_FILE:nfhost>)
        endif()
        add_test(NAME wine.${case} COMMAND wine ${host} ${case} $<TARGET_FILE:nightfold>)
        set_tests_properties(wine.${case} PROPERTIES
            FIXTURES_REQUIRED wineprefix
            TIMEOUT 120
            ENVIRONMENT "${NIGHTFOLD_WINE_ENVIRONMENT};TZ=UTC")
        list(APPEND NIGHTFOLD_WINE_CASES wine.${case})
    endforeach()
    set(NIGHTFOLD_WINE_CASES ${NIGHTFOLD_WINE_CASES} PARENT_SCOPE)
endfunction()

function(nightfold_wine_time_zone case zone)
    set_tests_properties(wine.${case} PROPERTIES
        ENVIRONMENT "${NIGHTFOLD_WINE_ENVIRONMENT};TZ=${zone}")
endfunction()

nightfold_wine_tests(
    header
    names
    shutdown_right
    shutdown_right98
    shutdown_right_removed
    dialog_hours
    dialog_hour_switch
    dialog_clicks
    dialog_no_power
    dialog_no_shutdown_right
    dialog_saves
    dialog_run_once
    dialog_leaves
    dialog_entries
    alarm_due
    alarm_summer_time
    zone_rules_berlin
    zone_rules_sydney
    zone_rules_santiago
    alarm_quit_early
    alarm_replaced
    alarm_fails
    evening
    morning
    nights
    asleep
    asleep98
    end_action_flags
    end_action_standby
    end_action98
    end_action_nt4
    end_action_privilege_removed
    powrprof_planted
    long_paths
    loaded_twice
    hostile_files
    unusable_files
    hostile_dialog
    unwritable_dialog
    player_folder
    stress
    stress_disabled_last
    same_second
    terminated_worker
    player_exits
    menu
    hotkeys
    hotkeys98
    languages
    languages_de
    languages_ru
    languages_pl
    languages_zh
    languages_ja
    japanese_on_western
)
# A case in a locale of its own, in the second prefix: env sets its locale.
function(nightfold_wine_locale case env)
    set_tests_properties(wine.${case} PROPERTIES
        FIXTURES_REQUIRED wineprefix_locales
        ENVIRONMENT "WINEPREFIX=${NIGHTFOLD_LOCALE_PREFIX};WINEDEBUG=-all;LANGUAGE=;LANG=C.UTF-8;TZ=UTC;${env}")
    set_property(TEST wine.${case} APPEND PROPERTY RESOURCE_LOCK wineprefix_locales)
endfunction()
# A Japanese user on a Western code page: Wine takes the ANSI code page
# from LC_CTYPE and the display language from LC_MESSAGES.
nightfold_wine_locale(japanese_on_western "LC_ALL=;LC_CTYPE=en_US.UTF-8;LC_MESSAGES=ja_JP.UTF-8")
# The settings folder of a Japanese user, in the Japanese ANSI code page,
# with the display language English.
nightfold_wine_locale(player_folder "LC_ALL=;LC_CTYPE=ja_JP.UTF-8;LC_MESSAGES=en_US.UTF-8")
# Users of other languages on a Western code page, and a Japanese one on
# a Japanese code page, whose dialogs grow with its font.
foreach(locale de_DE ru_RU pl_PL zh_CN)
    string(SUBSTRING ${locale} 0 2 language)
    nightfold_wine_locale(languages_${language} "LC_ALL=;LC_CTYPE=en_US.UTF-8;LC_MESSAGES=${locale}.UTF-8")
endforeach()
nightfold_wine_locale(languages_ja "LC_ALL=ja_JP.UTF-8")
nightfold_wine_time_zone(alarm_summer_time Europe/Berlin)
nightfold_wine_time_zone(zone_rules_berlin Europe/Berlin)
nightfold_wine_time_zone(zone_rules_sydney Australia/Sydney)
nightfold_wine_time_zone(zone_rules_santiago America/Santiago)
# The dialog's owner is the foreground window, whichever process it belongs
# to, and a dialog goes with its owner: cases that open the dialog run one
# at a time on the shared display.
set_property(TEST wine.dialog_hours wine.dialog_hour_switch wine.dialog_clicks wine.dialog_no_power
    wine.dialog_no_shutdown_right wine.dialog_saves wine.dialog_run_once wine.dialog_leaves
    wine.hostile_dialog wine.unwritable_dialog wine.player_folder wine.stress wine.stress_disabled_last wine.same_second
    wine.terminated_worker wine.evening wine.morning wine.menu wine.hotkeys wine.languages wine.languages_de wine.languages_ru
    wine.languages_pl wine.languages_zh wine.languages_ja wine.japanese_on_western
    APPEND PROPERTY RESOURCE_LOCK foreground)
# A thousand dialogs take Wine about a minute on a quiet machine.
set_tests_properties(wine.stress PROPERTIES TIMEOUT 400)

add_test(NAME pe COMMAND ${PYTHON_FOR_TOOLS} ${CMAKE_SOURCE_DIR}/tests/check_pe.py
    $<TARGET_FILE:nightfold>)

add_test(NAME resources COMMAND ${PYTHON_FOR_TOOLS} ${CMAKE_SOURCE_DIR}/tests/check_resources.py
    $<TARGET_FILE:nightfold>)

# The installer and the zip for copying by hand.
include(installer/CMakeLists.txt)
