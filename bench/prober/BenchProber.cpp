// Probes each listed file and grabs a thumbnail from its middle, the way the
// file list does when files are added: LoadFile, GetFileStreamInfo, Seek to
// the middle, DecodeNextFrame, CopyFrameToBitmap, CloseFile. With --out the
// thumbnails are written as BMP files, as the ffmpeg side writes its own.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"

using namespace mediaconv::engine;

namespace {

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

bool WriteBmp(const std::string& path, const TBitmap& bitmap) {
  const uint32_t imageSize = uint32_t(bitmap.Stride) * uint32_t(bitmap.Height);
  std::string header;
  header += "BM";
  PutLittleEndian(header, 54 + imageSize, 4);
  PutLittleEndian(header, 0, 4);
  PutLittleEndian(header, 54, 4);
  PutLittleEndian(header, 40, 4);
  PutLittleEndian(header, uint32_t(bitmap.Width), 4);
  PutLittleEndian(header, uint32_t(-bitmap.Height), 4);  // negative: rows top-down
  PutLittleEndian(header, 1, 2);
  PutLittleEndian(header, 24, 2);
  PutLittleEndian(header, 0, 4);
  PutLittleEndian(header, imageSize, 4);
  PutLittleEndian(header, 2835, 4);
  PutLittleEndian(header, 2835, 4);
  PutLittleEndian(header, 0, 8);
  std::ofstream out(path, std::ios::binary);
  out.write(header.data(), std::streamsize(header.size()));
  out.write(reinterpret_cast<const char*>(bitmap.Bits.data()), std::streamsize(bitmap.Bits.size()));
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  std::string listFile, outFolder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list" && i + 1 < argc)
      listFile = argv[++i];
    else if (arg == "--out" && i + 1 < argc)
      outFolder = argv[++i];
    else {
      std::cerr << "usage: bench_prober --list <file of media paths> [--out <thumbnail folder>]\n";
      return 2;
    }
  }
  std::vector<std::string> files;
  std::ifstream list(listFile);
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) files.push_back(line);
  if (files.empty()) {
    std::cerr << "bench_prober: no files listed in '" << listFile << "'\n";
    return 2;
  }
  if (!TFFLoader::Instance().LoadLibraries(EngineLibraries)) {
    std::cerr << TFFLoader::Instance().LastErrorText() << "\n";
    return 1;
  }

  TFFDecoder decoder;
  int thumbnails = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!decoder.LoadFile(files[i])) {
      std::cerr << "File load error: " << decoder.LastError() << "\n";
      continue;
    }
    TFileStreamInfo info;
    decoder.GetFileStreamInfo(info);
    TBitmap bitmap;
    if (decoder.FirstVideoStream() >= 0) {
      decoder.Seek(0, info.Duration / 2);
      if (decoder.DecodeNextFrame(decoder.FirstVideoStream()) && decoder.CopyFrameToBitmap(bitmap)) {
        ++thumbnails;
        if (!outFolder.empty()) WriteBmp(outFolder + "/" + std::to_string(i) + ".bmp", bitmap);
      }
    }
    decoder.CloseFile();
  }
  if (thumbnails != int(files.size())) {
    std::cerr << "bench_prober: " << thumbnails << " thumbnails of " << files.size() << " files\n";
    return 1;
  }
  return 0;
}
