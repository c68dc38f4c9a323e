# How the mingw-w64 builds link dravlen.exe and dravlen-list.exe: the image
# flags of a current Windows program, the same bytes from the same sources
# wherever they are built, and a linker map (PROGRAM.map beside the image)
# that tools/image-size.sh reads to say what the image is made of.

# Nothing of the build's place: source and build paths are written relative
# wherever the compiler records them (assertion texts and debugging
# information, which a build that keeps them has; the stripped release
# image has neither).
function(dravlen_no_build_paths target)
  target_compile_options(${target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                                           -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
endfunction()

function(dravlen_windows_image target)
  dravlen_no_build_paths(${target})

  # Leaves out the static libraries' unreferenced data, such as the
  # hundreds of interface identifiers that sit beside IID_IUnknown, each in
  # a section of its own. Code is not collected: on this target the unwind
  # tables reach every function of an object. Compiling with
  # -ffunction-sections would change nothing, and -fdata-sections would put
  # zero-initialised objects into .data, where they take room in the file.
  target_link_options(${target} PRIVATE -Wl,--gc-sections)

  # No link time stamp.
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)

  # Relocatable to a random base (high in the address space on x64), data
  # never executable, and no compatibility shims for terminal servers: the
  # flags Microsoft's linker sets by default.
  target_link_options(${target} PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
  endif()

  target_link_options(${target} PRIVATE -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
endfunction()
