# Shared build settings of the suite: warnings, sanitizers, test registration.

add_compile_options(-Wall -Wextra)

if(STEWARD_SANITIZE AND CMAKE_BUILD_TYPE STREQUAL "Debug")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# steward_layer(<name> [SOURCES ...] [DEPENDS ...])
# One library per layer. A layer without sources yet is an interface target, so the
# dependency graph exists from the start and later code only fills it.
function(steward_layer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    if(ARG_SOURCES)
        add_library(${name} STATIC ${ARG_SOURCES})
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    endif()
endfunction()

# steward_test(<name> LAYER <layer> SOURCES ... [DEPENDS ...])
# A GoogleTest program whose cases are registered with CTest under the layer's label.
function(steward_test name)
    cmake_parse_arguments(ARG "" "LAYER" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES
            LABELS ${ARG_LAYER}
            TIMEOUT 120
            ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
