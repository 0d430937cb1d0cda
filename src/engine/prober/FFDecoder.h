#pragma once
#include <cstdint>
#include <limits>

#include "engine/common/AvHandles.h"
#include "engine/common/Bitmap.h"
#include "engine/prober/CustomDecoder.h"

struct AVStream;

namespace mediaconv::engine {

// The prober with frame access: seeks, decodes the next picture of a video
// stream and copies it into a 24-bit bitmap (thumbnails).
class TFFDecoder : public TCustomDecoder {
 public:
  // Seek flags, passed to the library as they are.
  static constexpr int kSeekBackward = 1;
  static constexpr int kSeekByte = 2;
  static constexpr int kSeekAny = 4;
  static constexpr int kSeekFrame = 8;
  // The library's no-value time.
  static constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

  TFFDecoder();
  ~TFFDecoder() override;

  // position: microseconds, or bytes with kSeekByte. Throws EDecoderError on
  // an attached context, which belongs to someone else.
  bool Seek(int flags, int64_t position);
  // Decodes until one picture of video stream index is complete; -1 keeps
  // the stream decoded before, else takes the first video stream.
  bool DecodeNextFrame(int index = -1);
  // The held picture as 24-bit BGR; false (bitmap untouched) before a decode.
  bool CopyFrameToBitmap(TBitmap& bitmap);

  int CurrentStream() const { return currentStream_; }
  int64_t StartOffset() const { return startOffset_; }
  int DecodeStream() const { return decodeStream_; }
  bool EndOfStream() const { return endOfStream_; }
  bool PictureReady() const { return pictureReady_; }
  // Microseconds from the stream's start; kNoTime when unknown.
  int64_t FrameTime() const { return frameTime_; }
  bool KeyFrame() const { return keyFrame_; }
  uint8_t PictureType() const { return pictureType_; }
  // Byte position of the input when the held picture's packets began; -1 unknown.
  int64_t PicturePosition() const { return picturePosition_; }

 protected:
  void Analyse() override;
  void ReleaseFileState() override;

 private:
  // Checks shared by Seek and DecodeNextFrame; throwOnAttached raises after recording.
  bool CheckOwnedFile(bool throwOnAttached);
  bool IsStillImage() const;
  int64_t BytePosition() const;
  void ClearPicture();
  void CloseVideoDecoder();
  bool OpenVideoDecoder(int index);
  void KeepPicture(AVStream* stream);

  int currentStream_ = -1;
  int64_t startOffset_ = 0;
  int decodeStream_ = -1;
  bool endOfStream_ = false;
  bool draining_ = false;
  TCodecContextPtr videoDecoder_;
  int decoderStream_ = -1;  // the stream videoDecoder_ was opened for
  TFramePtr picture_;
  TFramePtr decoded_;
  TPacketPtr packet_;
  bool pictureReady_ = false;
  int64_t frameTime_ = kNoTime;
  bool keyFrame_ = false;
  uint8_t pictureType_ = 0;
  int64_t picturePosition_ = -1;
  int64_t lastPacketPts_ = kNoTime;
};

}  // namespace mediaconv::engine
