# Shared helpers for the layer libraries, their tests and the benchmarks.

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
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
            TIMEOUT 300)
    endforeach()
endfunction()
