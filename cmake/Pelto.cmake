# Helpers shared by the folders of src/, tools/ and tests/.

# pelto_library(name SOURCES ... [WIN32_SOURCES ...] [POSIX_SOURCES ...] [LIBS ...])
# A static library of one subsystem folder. Sources under WIN32_SOURCES build only
# for Windows, POSIX_SOURCES only for the native host build.
function(pelto_library name)
    cmake_parse_arguments(L "" "" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;LIBS" ${ARGN})
    set(sources ${L_SOURCES})
    if(WIN32)
        list(APPEND sources ${L_WIN32_SOURCES})
    else()
        list(APPEND sources ${L_POSIX_SOURCES})
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# The resource script compiled into every Windows program that loads strings or
# dialogs; resources in a static library would be dropped by the linker.
set(PELTO_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/src/res/Pelto.rc)

# pelto_test(name SOURCES ... [LIBS ...] [RESOURCES] [FRESH_PREFIX] [GUI])
# A GoogleTest program. Each test case becomes a CTest test, except for
# FRESH_PREFIX programs: they change machine state (registry, system folders) and
# run as one CTest test in a private copy of the Wine prefix. RESOURCES links the
# product's string table and dialogs into a Windows test program. GUI tests open
# windows on the display and run one at a time (focus and activation are shared).
function(pelto_test name)
    cmake_parse_arguments(T "RESOURCES;FRESH_PREFIX;GUI" "" "SOURCES;LIBS" ${ARGN})
    set(sources ${T_SOURCES})
    if(WIN32 AND T_RESOURCES)
        list(APPEND sources ${PELTO_RESOURCE_SCRIPT})
    endif()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    set(serial FALSE)
    if(T_GUI)
        set(serial TRUE)
    endif()
    if(T_FRESH_PREFIX AND WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "PELTO_FRESH_PREFIX=1" RUN_SERIAL ${serial})
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                             PROPERTIES TIMEOUT 120 RUN_SERIAL ${serial})
    endif()
endfunction()
