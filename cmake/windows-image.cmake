# How the mingw-w64 builds link dravlen.exe: the image flags of a current
# Windows program, the same bytes from the same sources wherever they are
# built, and a linker map that tools/image-size.sh reads to say what the
# image is made of.

# Leaves out the static libraries' unreferenced data, such as the hundreds
# of interface identifiers that sit beside IID_IUnknown, each in a section
# of its own. Code is not collected: on this target the unwind tables
# reach every function of an object. Compiling with -ffunction-sections
# would change nothing, and -fdata-sections would put zero-initialised
# objects into .data, where they take room in the file.
target_link_options(dravlen PRIVATE -Wl,--gc-sections)

# Nothing of the build's place or time: the image carries no link time
# stamp, and source and build paths are written relative wherever the
# compiler records them (assertion texts and debugging information, which
# a build that keeps them has; the stripped release image has neither).
foreach(_dravlen_target dravlen_core dravlen)
  target_compile_options(${_dravlen_target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                                                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
endforeach()
target_link_options(dravlen PRIVATE -Wl,--no-insert-timestamp)

# Relocatable to a random base (high in the address space on x64), data
# never executable, and no compatibility shims for terminal servers: the
# flags Microsoft's linker sets by default.
target_link_options(dravlen PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_link_options(dravlen PRIVATE -Wl,--high-entropy-va)
endif()

target_link_options(dravlen PRIVATE -Wl,-Map=$<TARGET_FILE_DIR:dravlen>/dravlen.map)
