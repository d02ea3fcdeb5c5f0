#pragma once

// Everything the player does that is not about a window: backgrounds,
// composing a picture with the game's shadow and light blending, playback
// over a clock, directions, stepping, and the civilization colourings. The
// picture widget (CFlcPlayer) and kinetra-cli both build on it, so that the
// window and the command line compose the same pixels.

#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"
#include "imaging/PictureCompose.h"
#include "io/SettingsStore.h"
#include "palette/CivPalettes.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// Background kinds, as stored in "Options"/"Bgd Type".
enum BackgroundType : int {
    kBackgroundDefault = 0,
    kBackgroundCustom = 1,
    kBackgroundSea = 2,
    kBackgroundLand = 3,
};

// What came of reading or writing a palette file.
enum class [[nodiscard]] PaletteFileResult {
    Done,
    Invalid, // a file or format the player does not take
    Failed,  // no path, or the file cannot be written
};

// Commands of Step.
enum StepCommand : int { kStepFirst = 0, kStepPrevious = 1, kStepNext = 2, kStepLast = 3 };

// A game unit whose header gives this many directions can show one alone.
inline constexpr int kDirectionCount = 8;
// The picture is always this square for a game animation; a plain FLC's
// is the file's own size.
inline constexpr int kCanvasSize = 240;
// The range of the custom delay between frames, in milliseconds.
inline constexpr int kMinimumCustomDelay = 10;
inline constexpr int kMaximumCustomDelay = 500;
// The interval of the player's timer in file-speed mode.
inline constexpr std::uint32_t kTickInterval = 50;

// A colour reference (0x00BBGGRR) as a 0x00RRGGBB fill colour.
constexpr std::uint32_t FillColorFromRef(std::uint32_t colorRef)
{
    return ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
}

class CFlcPlayerCore : public CFlcAnimation {
public:
    // `settings` outlives the player; `faceColor` is the system's button-face
    // colour (0x00BBGGRR), the default background.
    CFlcPlayerCore(SettingsStore& settings, std::uint32_t faceColor);
    virtual ~CFlcPlayerCore();

    // --- Picture ---------------------------------------------------------

    // Draws the background alone into the back buffer: `fillColor`, or the
    // tile.
    void DrawBackground();
    // Draws the picture of frame `currentFrame` into the back buffer: the
    // background, the frame at the header's offsets (clipped) and its shadow
    // and light pixels blended. A frame number beyond the frames is
    // corrected first.
    void ComposeFrame();
    // What the picture of `frame` is made of, now; a frame number beyond
    // the frames draws the nearest, as ComposeFrame does. The value points
    // into the player and holds while nothing is loaded, unloaded or
    // re-coloured.
    PictureInputs PictureOf(int frame) const;
    // The background changes either way; false when the setting could not
    // be stored.
    bool SetDefaultBackground();
    bool SetCustomBackground(std::uint32_t colorRef);
    // kind kBackgroundSea or kBackgroundLand; true when the tile is in place.
    [[nodiscard]] bool SetImageBackground(int kind);
    [[nodiscard]] bool LoadBackgroundImage(const std::string& filePath);
    void RestoreBackground();
    // Cannot fail: it only changes the colour key and the setting.
    void SetAlphaBlend(bool on);
    // After a change of the display palette: every frame is drawn through
    // it from the next picture on. The frames keep their indices, so the
    // file is neither decoded nor read again. kFail when nothing is loaded.
    HResult RebuildFrames();
    std::uint32_t GetDefaultColor() const { return defaultColor; }
    // The size of the picture, and of the back buffer once a file is
    // loaded: the 240 × 240 canvas of a game animation (or of nothing), a
    // plain FLC's own width × height.
    int PictureWidth() const;
    int PictureHeight() const;

    // --- Playback --------------------------------------------------------

    // Makes the player's screen (240 × 240 back buffer) for `window` and
    // reads the player's settings; false when the screen cannot be made.
    bool Initialize(CScreen::WindowHandle window = nullptr);
    // kOk on success (and for an empty path), kFail when the file cannot be
    // read or its picture cannot be had (after OnInvalidDocument). The back
    // buffer takes the picture's size.
    HResult LoadFile(const std::string& filePath);
    void Unload();
    void Play();
    void Stop();
    // Holds or releases the frame while playing; does nothing when stopped.
    void Pause();
    // First, Previous, Next and Last keep to the range: Last is its last
    // frame, and Next stops there.
    void Step(int command);
    // Shows frame `position` of the current range, 0 to LastPosition()
    // (what the position slider does); other positions are held to it.
    void SeekFrame(int position);
    int SetDirection(int d);
    void SetDelayMode(bool fileSpeed);
    void SetCustomDelay(std::uint32_t milliseconds);
    void StartTimer();
    void StopTimer();
    // The timer's message: ticks, and stops when the tick reports nothing
    // to draw.
    void OnTimer();
    // Advances by the elapsed time, then draws and presents; false when not
    // loaded.
    bool Tick();
    void Advance(float milliseconds);
    void ResetRange();
    // The range ends before rangeEnd, which is the next direction's first
    // frame: its last frame, and that frame's position counted from
    // rangeStart (0 for an empty range).
    int RangeLastFrame() const { return std::max(rangeStart, rangeEnd - 1); }
    int LastPosition() const { return RangeLastFrame() - rangeStart; }
    bool UsesFileSpeed() const { return useFileSpeed; }
    bool IsPlainFlc() const { return plainFlc; }
    // The screen made by Initialize (null before): the window sets its
    // presenter.
    CScreen* GetScreen() const { return m_screen.get(); }

    // --- Civilization colourings (n = 0 the file's own colours) ----------

    // True when the colouring is in force; false when its file is missing
    // or unreadable, or when nothing is loaded (then the player is left
    // unloaded).
    [[nodiscard]] bool ApplyCivPalette(const std::string* filePath);
    // Colouring n from `source`: the game's folder (GetGameFolder), the
    // built-in set (written out to GetDataFolder) or GetPaletteFolder.
    [[nodiscard]] bool LoadCivColor(PaletteSource source, int n);

    // --- Palette files and edits ----------------------------------------

    // Reads an .act or .pal file into the display palette and applies it:
    // Done when applied; Invalid when the file is missing, of another
    // extension, not valid, or cannot be applied; Failed for an empty path.
    [[nodiscard]] PaletteFileResult ImportPalette(const std::string& filePath);
    // Writes the display palette in `format` (1 .act, 2 RIFF .pal, 3 JASC
    // .pal) to filePath with its extension replaced by the format's (see
    // palettePathForFormat): Done when written, Failed for an empty path or
    // a file that cannot be written, Invalid for another format.
    [[nodiscard]] PaletteFileResult ExportPalette(const std::string& filePath, int format);
    // Makes the display palette the file palette: true, or false (and
    // unloaded) when nothing is loaded.
    [[nodiscard]] bool ApplyPaletteChanges();

    // --- The unit's header --------------------------------------------------

    // Changes the speed, offsets or original size (EditHeader) and shows
    // them at once: the picture is drawn again at the new place, the frame on
    // screen lasts no longer than the new speed, and a speed of 0 plays as a
    // loaded one does. Nothing, or why the file cannot hold them.
    std::optional<std::string> EditUnit(const HeaderEdits& edits);

    // Writes the "Direction" setting; the widget calls it when destroyed.
    void SaveDirection();

    // --- State, in the order the player declares it ----------------------
    bool playing = false;
    bool paused = false;
    bool loaded = false;
    bool plainFlc = false;
    bool useFileSpeed = true;
    std::uint32_t customDelay = 0;
    std::uint32_t lastTick = 0;
    std::uint32_t thisTick = 0;
    float elapsedSeconds = 0;
    std::unique_ptr<CSurface> backgroundImage;
    float frameTimeLeft = 0;
    int rangeLength = 0;
    int rangeStart = 0;
    int rangeEnd = 0;
    int currentFrame = 0;
    int direction = 0;
    int savedDirection = 0;
    std::uint32_t fillColor = 0;     // 0x00RRGGBB
    std::uint32_t customColor = 0;   // 0x00BBGGRR
    std::uint32_t defaultColor = 0;  // 0x00BBGGRR
    int backgroundType = kBackgroundDefault;

    // Where the colourings and tiles come from when no window says so: the
    // game's folder (kPaletteFromGame), the "Pal Dir" folder
    // (kPaletteFromFolder), and the per-user data folder that the built-in
    // files are written out to.
    std::string gameFolder;
    std::string paletteFolder;
    std::string dataFolder;

protected:
    // --- What the surroundings provide (headless defaults) ---------------

    // A monotonic clock in milliseconds.
    virtual std::uint32_t GetTickCount();
    // (Re)starts or stops the repeating timer that calls OnTimer.
    virtual void OnSetTimer(std::uint32_t intervalMs) { (void)intervalMs; }
    virtual void OnKillTimer() {}
    // The frame numbers changed; the position slider should follow.
    virtual void OnShowFrameNumbers() {}
    virtual void OnSetPositionSlider() {}
    // The picture is width × height now: the window shows it whole.
    virtual void OnResizeCanvas(int width, int height) { (void)width; (void)height; }
    // The file cannot be read: the window shows "'%s'\r\nInvalid or
    // unsupported document format.".
    virtual void OnInvalidDocument(const std::string& filePath) { (void)filePath; }
    // Folders of the colourings, read at the time of use.
    virtual std::string GetGameFolder() const { return gameFolder; }
    virtual std::string GetPaletteFolder() const { return paletteFolder; }
    virtual std::string GetDataFolder() const;

    SettingsStore& m_settings;

private:
    CSurface* backBuffer() const;
    // Draws the picture of the current frame (or the background alone) and
    // hands it to the window.
    void redraw();
    // The back buffer in the picture's size; false when it cannot be made.
    bool sizeBackBuffer(int width, int height);
    bool loadCivColorFromGame(int n);
    bool loadCivColorFromResources(int n);
    bool loadCivColorFromFolder(int n);

    std::unique_ptr<CScreen> m_screen;
};

} // namespace kinetra
