# Strict warnings for the project's own code (not for third-party code built alongside).
function(letterglass_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
    if(LETTERGLASS_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
