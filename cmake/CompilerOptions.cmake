function(dravix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Every program is a self-contained 32-bit executable: no MinGW runtime DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
