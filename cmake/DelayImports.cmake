# Delay-import libraries: the program calls these DLLs as usual, but the loader maps them only
# at the first call, after WinMain has confined the DLL search to the system folder. Statically
# imported DLLs are loaded with their own imports before any code of the program runs, and the
# search for those imports starts in the program's own folder.
#
# vorna_delay_import_libs(<out-var> <dll names...>) builds lib<name>_delay.a from the
# toolchain's import library of each DLL and returns their paths.
function(vorna_delay_import_libs out_var)
  set(libs)
  # 32-bit x86 names carry a leading underscore that the exported name does not.
  set(strip "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(strip "s/^_//;")
  endif()
  foreach(name ${ARGN})
    find_library(VORNA_IMPORT_LIB_${name} NAMES lib${name}.a REQUIRED)
    set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
    # The exports as the import library names them (with the @n of stdcall on 32-bit x86).
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
      COMMAND sh -c "{ echo 'LIBRARY ${name}.dll'; echo EXPORTS; '${CMAKE_NM}' '${VORNA_IMPORT_LIB_${name}}' | sed -n 's/^[0-9a-fA-F]* I __imp_//p' | sed '${strip}' | sort -u; } > '${def}'"
      COMMAND ${CMAKE_DLLTOOL} -k --input-def ${def} --dllname ${name}.dll --output-delaylib ${lib}
      DEPENDS ${VORNA_IMPORT_LIB_${name}} VERBATIM)
    list(APPEND libs ${lib})
  endforeach()
  add_custom_target(vorna_delay_imports DEPENDS ${libs})
  set(${out_var} ${libs} PARENT_SCOPE)
endfunction()
