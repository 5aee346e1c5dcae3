# Warnings and sanitizers applied to every target of the project.
add_compile_options(-Wall -Wextra)

set(KEL_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread")
if(KEL_SANITIZE)
  add_compile_options(-fsanitize=${KEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KEL_SANITIZE})
endif()

# Core files must never see QtGui or QtWidgets; kelcore links Qt6::Core only.
function(kel_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC Qt6::Core Threads::Threads)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()
