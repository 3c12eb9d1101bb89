# Strict warnings for the project's own targets, errors under VELTRANE_WERROR. Third-party
# headers come in as system includes, so they do not trip -Werror.
function(veltrane_warnings target)
    if(MSVC)
        # Sources are UTF-8; strict standard conformance.
        target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
        if(VELTRANE_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
        return()
    endif()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(VELTRANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A layer that must stay free of Qt: fail the build if a Qt include path reaches it. The layer
# check in tests/layers reads the includes of these targets' sources.
function(veltrane_no_qt target)
    set_property(GLOBAL APPEND PROPERTY VELTRANE_PURE_TARGETS ${target})
    get_target_property(_libs ${target} LINK_LIBRARIES)
    if(_libs)
        foreach(_lib IN LISTS _libs)
            if(_lib MATCHES "^Qt")
                message(FATAL_ERROR "${target} must not link ${_lib}")
            endif()
        endforeach()
    endif()
endfunction()

# Qt targets: no implicit keyword macros, no implicit ASCII casts.
function(veltrane_qt_target target)
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()
