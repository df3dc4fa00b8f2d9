# SDL2 is optional: without it the display and the sound fall back to their
# headless backends. bsa_use_sdl(target visibility sdl_source) either links
# SDL2 and defines BSA_HAVE_SDL (with the given visibility), or drops the
# target's SDL backend file from its sources list before the target exists.
find_package(SDL2 QUIET)

function(bsa_drop_sdl_source sources_var sdl_source)
  if(NOT SDL2_FOUND)
    set(list ${${sources_var}})
    list(REMOVE_ITEM list ${sdl_source})
    set(${sources_var} ${list} PARENT_SCOPE)
  endif()
endfunction()

function(bsa_use_sdl target visibility)
  if(SDL2_FOUND)
    target_compile_definitions(${target} ${visibility} BSA_HAVE_SDL)
    if(TARGET SDL2::SDL2)
      target_link_libraries(${target} PUBLIC SDL2::SDL2)
    else()
      target_include_directories(${target} PRIVATE ${SDL2_INCLUDE_DIRS})
      target_link_libraries(${target} PUBLIC ${SDL2_LIBRARIES})
    endif()
  endif()
endfunction()
