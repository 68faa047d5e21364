# Shared helpers for the layer libraries, their tests and the benchmarks.

# Precompiled headers: one header of the toolkit's Core, Gui and Widgets modules and the common
# standard headers, compiled once by waybill_pch and reused by every target that builds against the
# widgets (layers, benchmarks, programs, fuzzers), and the same with QtTest added, compiled once by
# waybill_pch_tests for every suite; waybill_share_pch() at the end of the top CMakeLists.txt hands
# them out. On two cores they take about half off the compile time of a clean build.
# The compiler takes a precompiled header only where every macro it was made with is defined alike,
# so each is made with the fewest: the Qt module macros every user has and the build type's. Targets
# defining more (QT_PRINTSUPPORT_LIB, our own paths) still reuse it, because the header never
# mentions those; targets of Qt Core alone (two benchmarks) build without one. Qt's per-folder test
# paths (QT_TESTCASE_BUILDDIR/SOURCEDIR, there for QFINDTESTDATA, which no suite uses; the suites
# find their files through WAYBILL_FIXTURES) would differ from folder to folder and are undefined.
option(WAYBILL_PCH "Build with precompiled headers" ON)
set(WAYBILL_PCH_HEADERS
    <QtCore> <QtGui> <QtWidgets>
    <algorithm> <cmath> <functional> <map> <memory> <set> <unordered_map> <vector>)
set(WAYBILL_NO_TESTCASE_PATHS -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)
if(WAYBILL_PCH)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/waybill_pch.cpp
        CONTENT "// The translation unit that makes a shared precompiled header.\n")
    add_library(waybill_pch STATIC ${CMAKE_BINARY_DIR}/waybill_pch.cpp)
    target_link_libraries(waybill_pch PRIVATE Qt6::Widgets)
    target_precompile_headers(waybill_pch PRIVATE ${WAYBILL_PCH_HEADERS})
    add_library(waybill_pch_tests STATIC ${CMAKE_BINARY_DIR}/waybill_pch.cpp)
    target_link_libraries(waybill_pch_tests PRIVATE Qt6::Widgets Qt6::Network Qt6::Test)
    target_compile_options(waybill_pch_tests PRIVATE ${WAYBILL_NO_TESTCASE_PATHS})
    target_precompile_headers(waybill_pch_tests PRIVATE ${WAYBILL_PCH_HEADERS} <QtTest>)
endif()

# Gives a shared precompiled header to every target below DIR that links the widgets, directly or
# through one of our layers: the suites (everything linking QtTest) the one with QtTest.
function(waybill_share_pch dir)
    if(NOT WAYBILL_PCH)
        return()
    endif()
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        get_target_property(libs ${target} LINK_LIBRARIES)
        get_target_property(own ${target} PRECOMPILE_HEADERS)
        get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$" OR own OR reused)
            continue()
        endif()
        if(libs MATCHES "(^|;)Qt6::Test(;|$)")
            target_compile_options(${target} PRIVATE ${WAYBILL_NO_TESTCASE_PATHS})
            target_precompile_headers(${target} REUSE_FROM waybill_pch_tests)
        elseif(libs MATCHES "(^|;)(waybill_[a-z]+|Qt6::Widgets)(;|$)")
            target_precompile_headers(${target} REUSE_FROM waybill_pch)
        else()
            continue()
        endif()
        # A program's meta-object code is included by its own source, which leaves the generated
        # collection file empty; loading the header for it would cost more than the file.
        if(type STREQUAL EXECUTABLE)
            get_target_property(bin ${target} BINARY_DIR)
            set_source_files_properties(${bin}/${target}_autogen/mocs_compilation.cpp
                TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        endif()
    endforeach()
    get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(child ${children})
        waybill_share_pch(${child})
    endforeach()
endfunction()

# waybill_layer(NAME DEPS...) builds waybill_<NAME> from every .cpp/.h/.qrc in the layer's folder
# (subfolders included), so adding a file never needs a CMake edit.
function(waybill_layer name)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    if(NOT sources)
        return()
    endif()
    add_library(waybill_${name} STATIC ${sources})
    target_include_directories(waybill_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(waybill_${name} PUBLIC ${ARGN})
    # A local name hiding another local or a parameter of the same function is a mistake waiting
    # to happen; the layers are kept free of it (GCC's wording of the check).
    target_compile_options(waybill_${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
endfunction()

# waybill_tests(LIBS...) turns every tst_*.cpp of the calling folder into one Qt Test suite run by
# CTest offscreen, linked to LIBS and to the shared test support library.
function(waybill_tests)
    file(GLOB suites CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    get_filename_component(area ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    foreach(lib ${ARGN})
        if(lib MATCHES "^waybill_" AND NOT TARGET ${lib})
            return()
        endif()
    endforeach()
    foreach(src ${suites})
        get_filename_component(base ${src} NAME_WE)
        set(target ${area}_${base})
        add_executable(${target} ${src})
        target_link_libraries(${target} PRIVATE waybill_testsupport Qt6::Test ${ARGN})
        target_compile_definitions(${target} PRIVATE
            WAYBILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            WAYBILL_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures")
        add_test(NAME ${area}/${base} COMMAND ${target})
        if(TARGET waybill_sanitized AND area MATCHES "^(platform|script|report)$")
            add_dependencies(waybill_sanitized ${target})
        endif()
        set_tests_properties(${area}/${base} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;FONTCONFIG_FILE=${WAYBILL_FONTCONFIG_FILE}"
            TIMEOUT 300)
    endforeach()
endfunction()

# The fonts the tests see: exactly the files the font table (data/config/fonts.ini) names, through
# a fontconfig configuration of the build's own (build/fontconfig/fonts.conf, a folder of links to
# those files), so that a machine with more fonts installed gives the same results. Text of layouts
# is drawn from the table's files anyway; this pins what widgets and anything else that asks the
# font system see. Made at configure time, again whenever the table changes; waybill_tests gives
# its suites FONTCONFIG_FILE, other tests set it from WAYBILL_FONTCONFIG_FILE.
function(waybill_font_config)
    set(table ${PROJECT_SOURCE_DIR}/data/config/fonts.ini)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    set(dir ${CMAKE_BINARY_DIR}/fontconfig)
    file(REMOVE_RECURSE ${dir}/fonts)
    file(MAKE_DIRECTORY ${dir}/fonts ${dir}/cache)
    file(STRINGS ${table} lines REGEX "^(Regular|Bold|Italic|BoldItalic)[ \t]*=")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[A-Za-z]+[ \t]*=[ \t]*" "" path "${line}")
        string(STRIP "${path}" path)
        get_filename_component(name "${path}" NAME)
        if(NOT EXISTS ${dir}/fonts/${name})
            file(CREATE_LINK "${path}" ${dir}/fonts/${name} SYMBOLIC)
        endif()
    endforeach()
    file(WRITE ${dir}/fonts.conf
"<?xml version=\"1.0\"?>
<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">
<!-- The fonts of the font table and no others; made by cmake/Waybill.cmake. -->
<fontconfig>
  <dir>${dir}/fonts</dir>
  <cachedir>${dir}/cache</cachedir>
</fontconfig>
")
    set(WAYBILL_FONTCONFIG_FILE ${dir}/fonts.conf PARENT_SCOPE)
endfunction()
