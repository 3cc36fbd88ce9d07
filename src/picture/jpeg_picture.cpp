#include "picture/jpeg_picture.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>

#include <jpeglib.h>

namespace t418 {

namespace {

// libjpeg reports a fatal error by calling error_exit, whose default ends the
// process; ours jumps back into Decode instead. Warnings (a premature end of
// the data, a corrupt segment) would otherwise let libjpeg carry on with grey
// filler, so the first one is kept and turns the result into an error.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
  bool warned;
};

// What libjpeg works on; kept in the caller's frame, so nothing that the
// decoding changes is a local of the function that calls setjmp.
struct DecodeState {
  ErrorManager errors;
  jpeg_decompress_struct info;
};

void OnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->escape, 1);
}

void OnMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace messages
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  if (!manager->warned) {
    (*info->err->format_message)(info, manager->message);
    manager->warned = true;
  }
}

// Everything that changes between setjmp and a longjmp lives outside this
// frame (behind `state` and `out`), so the jump skips no destructor and
// leaves no local of unknown value behind.
bool Decode(const std::uint8_t* data, std::size_t size, JpegPicture* out, DecodeState* state) {
  ErrorManager* const errors = &state->errors;
  jpeg_decompress_struct& info = state->info;
  info.err = jpeg_std_error(&errors->base);
  errors->base.error_exit = OnError;
  errors->base.emit_message = OnMessage;
  errors->message[0] = '\0';
  errors->warned = false;

  if (setjmp(errors->escape)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_calc_output_dimensions(&info);
  if (std::int64_t(info.output_width) * info.output_height > kMaxJpegPixels) {
    std::snprintf(errors->message, sizeof errors->message, "Picture too large (%u x %u)", info.output_width,
                  info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  const std::size_t stride = std::size_t(info.output_width) * 3;
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  try {
    out->rgb.resize(stride * info.output_height);
  } catch (const std::bad_alloc&) {
    std::snprintf(errors->message, sizeof errors->message, "Out of memory for the picture");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height && !errors->warned) {
    JSAMPROW row = out->rgb.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  if (!errors->warned) jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return !errors->warned;
}

}  // namespace

JpegPicture DecodeJpeg(std::span<const std::uint8_t> bytes) {
  JpegPicture picture;
  DecodeState state;
  if (!Decode(bytes.data(), bytes.size(), &picture, &state)) {
    const char* message = state.errors.message;
    picture.error = message[0] != '\0' ? message : "Not a JPEG picture";
    picture.width = 0;
    picture.height = 0;
    picture.rgb.clear();
    picture.rgb.shrink_to_fit();
  }
  return picture;
}

JpegPicture DecodeJpegFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    JpegPicture picture;
    picture.error = "Cannot open " + path;
    return picture;
  }
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    JpegPicture picture;
    picture.error = "Cannot read " + path;
    return picture;
  }
  return DecodeJpeg(bytes);
}

}  // namespace t418
