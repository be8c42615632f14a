# Project-wide warning policy. QK_WERROR (on by default, always on in CI)
# turns every warning into an error.
option(QK_WERROR "Treat warnings as errors" ON)

function(qk_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion
                                           -Wno-sign-conversion -Wshadow)
  if(QK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
