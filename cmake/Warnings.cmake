# Project-wide warning level; targets call vandrel_warnings(target).
function(vandrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
