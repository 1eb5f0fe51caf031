// The seam between a page and the metafile canvas callers draw on. The platform's metafile
// recorder provides the canvas; the metafile player turns the recording into page operators when
// the page closes. A document without them has pages without a canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pdf {

class TPDFPage;

// The resolution of the device context that sizes metafiles and measures fonts.
struct ReferenceDeviceContext {
  int LogPixelsX = 96;
  int LogPixelsY = 96;
};

class TMetafileCanvas {
public:
  virtual ~TMetafileCanvas() = default;
  // Completes the recording and hands over the enhanced-metafile bytes.
  virtual std::vector<std::uint8_t> EndRecording() = 0;
};

class TMetafilePlayer {
public:
  virtual ~TMetafilePlayer() = default;
  virtual void LoadMetafile(std::vector<std::uint8_t> metafile) = 0;
  // Width and height in page units of what was recorded.
  virtual void GetSize(int& width, int& height) = 0;
  // Replays the metafile through the page's operations.
  virtual void Execute() = 0;
};

struct PageCanvasSupport {
  // Makes a recording canvas of the given size in reference-context pixels.
  std::function<std::unique_ptr<TMetafileCanvas>(int width, int height, const ReferenceDeviceContext&)>
      CreateCanvas;
  // Makes a player that replays onto the page.
  std::function<std::unique_ptr<TMetafilePlayer>(TPDFPage&)> CreatePlayer;

  explicit operator bool() const { return CreateCanvas && CreatePlayer; }
};

// What new documents take; empty until a metafile recorder and player are registered.
PageCanvasSupport& DefaultPageCanvasSupport();

}  // namespace pdf
