# quorvane_fuzz_target(name sources...): a libFuzzer executable with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang only). The program sources under test are listed with the
# target's own, so that they carry the fuzzer's coverage instrumentation.
function(quorvane_fuzz_target name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

# The bitmap decoder's sources, with the file mapping it calls for huge-page advice.
set(QUORVANE_DECODER_SOURCES
  ${PROJECT_SOURCE_DIR}/image/bitmap_header.cpp
  ${PROJECT_SOURCE_DIR}/image/bitmap_pixels.cpp
  ${PROJECT_SOURCE_DIR}/image/bitmap_rle.cpp
  ${PROJECT_SOURCE_DIR}/platform/common/posix_file_map.cpp)
