#include "imaging/CFlcPlayerCore.h"

#include "flc/PlainFlcDefaults.h"
#include "imaging/CPcxImage.h"
#include "io/AtomicFile.h"
#include "io/SettingNames.h"
#include "palette/BuiltInResources.h"
#include "palette/CivPalettes.h"
#include "palette/PaletteFiles.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

using settings::kAlphaBlend;
using settings::kBgdType;
using settings::kCustomColor;
using settings::kDirection;
using settings::kOptions;

// A window timer never fires faster than this, whatever it is asked for.
constexpr std::uint32_t kMinimumTimerInterval = 10;
// No tick counts for more than this, however long the previous one took.
constexpr float kMaxTickSeconds = 0.05f;

std::string joinPath(const std::string& folder, const std::string& name)
{
    return (fs::path(folder) / name).string();
}

// Writes a built-in file out to `file` unless a file (perhaps the user's own
// replacement) is already there.
bool writeOutWhenMissing(int resourceId, const std::string& file)
{
    std::error_code error;
    if (fs::exists(file, error))
        return true;
    const fs::path folder = fs::path(file).parent_path();
    if (!fs::is_directory(folder, error)) {
        fs::create_directories(folder, error);
        if (error)
            return false;
    }
    return WriteBuiltInResource(resourceId, file);
}

// After a palette change: playing goes on in the new colours, or the player
// is left unloaded when there was nothing to colour.
bool rebuildAndResume(CFlcPlayerCore& player)
{
    if (player.RebuildFrames() != kOk) {
        player.Unload();
        return false;
    }
    player.StartTimer();
    return true;
}

} // namespace

CFlcPlayerCore::CFlcPlayerCore(SettingsStore& settings, std::uint32_t faceColor)
    : fillColor(FillColorFromRef(faceColor)), customColor(faceColor), defaultColor(faceColor), m_settings(settings)
{
}

CFlcPlayerCore::~CFlcPlayerCore()
{
    // The tile is a surface of the screen: it goes first.
    Clear();
    backgroundImage.reset();
    m_screen.reset();
}

// --- Picture -------------------------------------------------------------

CSurface* CFlcPlayerCore::backBuffer() const
{
    return m_screen ? m_screen->backBuffer.get() : nullptr;
}

bool CFlcPlayerCore::sizeBackBuffer(int width, int height)
{
    if (!m_screen || (m_screen->backBuffer && m_screen->width == width && m_screen->height == height))
        return true;
    return m_screen->Initialize(width, height) == kOk;
}

int CFlcPlayerCore::PictureWidth() const
{
    return plainFlc ? std::max<int>(header.width, 1) : kCanvasSize;
}

int CFlcPlayerCore::PictureHeight() const
{
    return plainFlc ? std::max<int>(header.height, 1) : kCanvasSize;
}

void CFlcPlayerCore::DrawBackground()
{
    CSurface* back = backBuffer();
    if (!back || !back->Memory())
        return;
    PictureInputs background = PictureOf(0);
    background.frame = nullptr;
    ComposePicture(background, *back->Memory());
}

void CFlcPlayerCore::ComposeFrame()
{
    if (frames.empty())
        return;
    currentFrame = std::clamp(currentFrame, 0, int(frames.size()) - 1);
    CSurface* back = backBuffer();
    if (back && back->Memory())
        ComposePicture(PictureOf(currentFrame), *back->Memory());
}

PictureInputs CFlcPlayerCore::PictureOf(int frame) const
{
    PictureInputs picture;
    picture.tile = backgroundImage ? backgroundImage->Memory() : nullptr;
    picture.fillColor = fillColor;
    picture.left = header.leftOffset;
    picture.top = header.topOffset;
    picture.palette = &displayPalette;
    picture.colorKey = colorKey;
    if (!frames.empty()) {
        picture.frame = &frames[std::size_t(std::clamp(frame, 0, int(frames.size()) - 1))];
        picture.palette = &paletteOf(*picture.frame);
        picture.colorKey = colorKeyOf(*picture.frame);
    }
    picture.blend = !plainFlc && alphaBlend;
    return picture;
}

bool CFlcPlayerCore::SetDefaultBackground()
{
    backgroundImage.reset();
    backgroundType = kBackgroundDefault;
    fillColor = FillColorFromRef(defaultColor);
    return m_settings.WriteProfileInt(kOptions, kBgdType, kBackgroundDefault);
}

bool CFlcPlayerCore::SetCustomBackground(std::uint32_t colorRef)
{
    backgroundImage.reset();
    customColor = colorRef;
    backgroundType = kBackgroundCustom;
    fillColor = FillColorFromRef(colorRef);
    const bool typeWritten = m_settings.WriteProfileInt(kOptions, kBgdType, kBackgroundCustom);
    const bool colorWritten = m_settings.WriteProfileInt(kOptions, kCustomColor, static_cast<int>(colorRef));
    return typeWritten && colorWritten;
}

bool CFlcPlayerCore::SetImageBackground(int kind)
{
    if (kind != kBackgroundSea && kind != kBackgroundLand)
        return false;
    const std::string folder = GetDataFolder();
    if (folder.empty())
        return false;
    const std::string file = joinPath(folder, kind == kBackgroundSea ? "Sea.pcx" : "Land.pcx");
    if (!writeOutWhenMissing(kind == kBackgroundSea ? kResourceSea : kResourceLand, file))
        return false;
    if (!LoadBackgroundImage(file))
        return false;
    backgroundType = kind;
    m_settings.WriteProfileInt(kOptions, kBgdType, kind);
    return true;
}

bool CFlcPlayerCore::LoadBackgroundImage(const std::string& filePath)
{
    backgroundImage.reset();
    std::error_code error;
    if (!fs::exists(filePath, error))
        return false;
    CPcxImage image;
    if (image.Load(filePath) != kOk)
        return false;
    if (!m_screen || !m_screen->m_lpDD)
        return false;
    auto tile = std::unique_ptr<CSurface>(new (std::nothrow) CSurface);
    if (!tile || tile->CreateOn(*m_screen->m_lpDD, kCanvasSize, kCanvasSize) != kOk
        || image.DrawToSurface(*tile) != kOk)
        return false;
    backgroundImage = std::move(tile);
    return true;
}

void CFlcPlayerCore::RestoreBackground()
{
    switch (backgroundType) {
    case kBackgroundCustom:
        SetCustomBackground(customColor);
        break;
    case kBackgroundSea:
    case kBackgroundLand:
        // A tile that cannot be had leaves the plain colour.
        (void)SetImageBackground(backgroundType);
        break;
    default:
        SetDefaultBackground();
        break;
    }
}

void CFlcPlayerCore::SetAlphaBlend(bool on)
{
    if (on == alphaBlend)
        return;
    alphaBlend = on;
    if (on) {
        colorKey = ColorKey::single(transparentColor);
    } else {
        colorKey = ColorKey::single(kNeverAColor);
        SetDefaultBackground();
    }
    for (FrameColours& colours : earlierColours)
        colours.key = colorKey;
    m_settings.WriteProfileInt(kOptions, kAlphaBlend, on ? 1 : 0);
}

HResult CFlcPlayerCore::RebuildFrames()
{
    if (!loaded || frames.empty())
        return kFail;
    useDisplayColoursForAll();
    return kOk;
}

// --- Playback ------------------------------------------------------------

bool CFlcPlayerCore::Initialize(CScreen::WindowHandle window)
{
    auto screen = std::unique_ptr<CScreen>(new (std::nothrow) CScreen);
    if (!screen || screen->Create(window) != kOk || screen->Initialize(kCanvasSize, kCanvasSize) != kOk)
        return false;
    m_screen = std::move(screen);

    customColor = static_cast<std::uint32_t>(
        m_settings.GetProfileInt(kOptions, kCustomColor, static_cast<int>(defaultColor)));
    // Only 0..8 name a direction; anything else would reach past the frames.
    const int storedDirection = m_settings.GetProfileInt(kOptions, kDirection, 0);
    savedDirection = storedDirection >= 0 && storedDirection <= kDirectionCount ? storedDirection : 0;
    backgroundType = m_settings.GetProfileInt(kOptions, kBgdType, kBackgroundDefault);
    alphaBlend = m_settings.GetProfileInt(kOptions, kAlphaBlend, 1) != 0;
    RestoreBackground();
    return true;
}

HResult CFlcPlayerCore::LoadFile(const std::string& filePath)
{
    if (filePath.empty())
        return kOk;
    if (loaded)
        Unload();

    HResult result = kFail;
    try {
        result = CFlcAnimation::Load(filePath, true);
    } catch (const std::bad_alloc&) {
        result = kFail;
    }
    if (result != kOk) {
        OnInvalidDocument(filePath);
        Clear();
        return kFail;
    }

    const bool plain = header.framesPerDirection == 0;
    applyPlayerDefaults(*this);
    plainFlc = plain;
    // A plain file is shown whole, at its own size.
    if (!sizeBackBuffer(PictureWidth(), PictureHeight())) {
        OnInvalidDocument(filePath);
        Clear();
        plainFlc = false;
        return kFail;
    }
    if (plain) {
        backgroundImage.reset();
        fillColor = 0;
    } else {
        RestoreBackground();
        if (!alphaBlend) {
            backgroundImage.reset();
            fillColor = FillColorFromRef(defaultColor);
        }
    }
    OnResizeCanvas(PictureWidth(), PictureHeight());

    frameTimeLeft = float(header.speed);
    rangeLength = header.framesPerDirection;
    SetDirection(savedDirection);
    ResetRange();
    loaded = true;
    Play();
    return kOk;
}

void CFlcPlayerCore::Unload()
{
    StopTimer();
    Stop();
    loaded = false;
    customDelay = 0;
    Clear();
    rangeLength = 0;
}

void CFlcPlayerCore::Play()
{
    playing = true;
    paused = false;
    lastTick = GetTickCount();
    thisTick = 0;
    ResetRange();
    if (customDelay == 0)
        customDelay = header.speed;
    StartTimer();
}

void CFlcPlayerCore::Stop()
{
    // The timer goes on, so the first frame of the range is still redrawn
    // and a background change shows at once.
    if (!loaded)
        return;
    ResetRange();
    playing = false;
    paused = false;
    lastTick = 0;
    thisTick = 0;
}

void CFlcPlayerCore::Pause()
{
    if (playing)
        paused = !paused;
}

void CFlcPlayerCore::Step(int command)
{
    if (!loaded)
        return;
    switch (command) {
    case kStepFirst:
        currentFrame = rangeStart;
        break;
    case kStepPrevious:
        currentFrame = std::max(currentFrame - 1, rangeStart);
        break;
    case kStepNext:
        currentFrame = std::min(currentFrame + 1, RangeLastFrame());
        break;
    case kStepLast:
        currentFrame = RangeLastFrame();
        break;
    default:
        break;
    }
    OnShowFrameNumbers();
    if (!playing)
        OnSetPositionSlider();
}

void CFlcPlayerCore::SeekFrame(int position)
{
    if (!loaded)
        return;
    currentFrame = rangeStart + std::clamp(position, 0, LastPosition());
}

int CFlcPlayerCore::SetDirection(int d)
{
    const bool choosable = header.directions == kDirectionCount && d >= 0 && d <= kDirectionCount;
    direction = choosable ? d : 0;
    ResetRange();
    OnShowFrameNumbers();
    if (!playing)
        OnSetPositionSlider();
    return direction;
}

void CFlcPlayerCore::SetDelayMode(bool fileSpeed)
{
    useFileSpeed = fileSpeed;
    StartTimer();
}

void CFlcPlayerCore::SetCustomDelay(std::uint32_t milliseconds)
{
    customDelay = milliseconds;
    StartTimer();
}

void CFlcPlayerCore::StartTimer()
{
    OnKillTimer();
    OnSetTimer(useFileSpeed ? kTickInterval : std::max(customDelay, kMinimumTimerInterval));
}

void CFlcPlayerCore::StopTimer()
{
    OnKillTimer();
}

void CFlcPlayerCore::OnTimer()
{
    if (!Tick())
        Stop();
}

bool CFlcPlayerCore::Tick()
{
    if (!loaded)
        return false;
    if (playing && !paused) {
        thisTick = GetTickCount();
        elapsedSeconds = float(thisTick - lastTick) * 0.001f;
        lastTick = GetTickCount();
        if (elapsedSeconds * 60 > 3.0f)
            elapsedSeconds = kMaxTickSeconds;
        Advance(elapsedSeconds * 1000);
    }
    redraw();
    return true;
}

void CFlcPlayerCore::redraw()
{
    if (frames.empty())
        DrawBackground();
    else
        ComposeFrame();
    if (m_screen)
        (void)m_screen->Present();
}

void CFlcPlayerCore::Advance(float milliseconds)
{
    if (useFileSpeed) {
        frameTimeLeft -= milliseconds;
        if (frameTimeLeft > 0)
            return;
        // Set, not added: time beyond the frame's end is dropped.
        frameTimeLeft = float(header.speed);
    }
    ++currentFrame;
    if (currentFrame >= rangeEnd)
        currentFrame = rangeStart;
    OnShowFrameNumbers();
}

void CFlcPlayerCore::ResetRange()
{
    if (direction == 0) {
        rangeStart = 0;
        rangeEnd = int(header.directions) * rangeLength;
    } else {
        rangeStart = (direction - 1) * rangeLength;
        rangeEnd = rangeStart + rangeLength;
    }
    currentFrame = rangeStart;
    frameTimeLeft = float(header.speed);
}

// --- Civilization colourings ---------------------------------------------

bool CFlcPlayerCore::ApplyCivPalette(const std::string* filePath)
{
    CPcxImage civ;
    if (filePath) {
        std::error_code error;
        if (!fs::exists(*filePath, error) || civ.Load(*filePath) != kOk)
            return false;
    }

    // From the file's colours every time, so colourings never accumulate.
    displayPalette = filePalette;
    if (filePath)
        std::copy_n(civ.palette.begin(), 64, displayPalette.begin());
    return rebuildAndResume(*this);
}

bool CFlcPlayerCore::loadCivColorFromGame(int n)
{
    if (n == 0)
        return ApplyCivPalette(nullptr);
    const std::string name = CivPaletteFileName(n);
    if (name.empty())
        return false;
    const std::string file = FindFileIgnoringCase(GetGameFolder(), "Art/Units/Palettes/" + name);
    if (file.empty())
        return false;
    return ApplyCivPalette(&file);
}

bool CFlcPlayerCore::loadCivColorFromResources(int n)
{
    if (n == 0)
        return ApplyCivPalette(nullptr);
    const std::string name = CivPaletteFileName(n);
    const std::string folder = GetDataFolder();
    if (name.empty() || folder.empty())
        return false;
    const std::string file = joinPath(joinPath(folder, "Palettes"), name);
    if (!writeOutWhenMissing(kResourceCivPaletteFirst + n - 1, file))
        return false;
    return ApplyCivPalette(&file);
}

bool CFlcPlayerCore::loadCivColorFromFolder(int n)
{
    if (n == 0)
        return ApplyCivPalette(nullptr);
    const std::string name = CivPaletteFileName(n);
    if (name.empty())
        return false;
    const std::string file = FindFileIgnoringCase(GetPaletteFolder(), name);
    if (file.empty())
        return false;
    return ApplyCivPalette(&file);
}

bool CFlcPlayerCore::LoadCivColor(PaletteSource source, int n)
{
    switch (source) {
    case kPaletteFromGame: return loadCivColorFromGame(n);
    case kPaletteBuiltIn: return loadCivColorFromResources(n);
    case kPaletteFromFolder: return loadCivColorFromFolder(n);
    }
    return false;
}

// --- Palette files and edits ---------------------------------------------

PaletteFileResult CFlcPlayerCore::ImportPalette(const std::string& filePath)
{
    if (filePath.empty())
        return PaletteFileResult::Failed;
    const std::optional<Palette> palette = readPaletteFile(filePath);
    if (!palette)
        return PaletteFileResult::Invalid;
    displayPalette = *palette;
    return ApplyPaletteChanges() ? PaletteFileResult::Done : PaletteFileResult::Invalid;
}

PaletteFileResult CFlcPlayerCore::ExportPalette(const std::string& filePath, int format)
{
    writeError.clear();
    if (filePath.empty())
        return PaletteFileResult::Failed;
    if (format < int(PaletteFormat::Act) || format > int(PaletteFormat::Jasc))
        return PaletteFileResult::Invalid;
    const auto paletteFormat = static_cast<PaletteFormat>(format);
    const std::vector<std::uint8_t> bytes = encodePalette(displayPalette, paletteFormat);
    return writeFileAtomically(palettePathForFormat(filePath, paletteFormat), bytes, writeError)
        ? PaletteFileResult::Done
        : PaletteFileResult::Failed;
}

bool CFlcPlayerCore::ApplyPaletteChanges()
{
    filePalette = displayPalette;
    transparentColor = displayPalette[255].rgb();
    colorKey = ColorKey::single(alphaBlend ? transparentColor : kNeverAColor);
    return rebuildAndResume(*this);
}

// --- The unit's header ---------------------------------------------------

std::optional<std::string> CFlcPlayerCore::EditUnit(const HeaderEdits& edits)
{
    if (auto problem = EditHeader(edits))
        return problem;
    // The header as loading the saved file will show it (a speed of 0 plays
    // as 10 ms); the defaults change nothing else of a loaded header.
    applyPlayerDefaults(*this);
    // A slower frame on screen would keep the new speed waiting.
    if (edits.speed)
        frameTimeLeft = std::min(frameTimeLeft, float(header.speed));
    if (loaded)
        redraw();
    return std::nullopt;
}

void CFlcPlayerCore::SaveDirection()
{
    m_settings.WriteProfileInt(kOptions, kDirection, direction);
}

// --- Surroundings --------------------------------------------------------

std::uint32_t CFlcPlayerCore::GetTickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string CFlcPlayerCore::GetDataFolder() const
{
    return dataFolder.empty() ? UserDataFolder() : dataFolder;
}

} // namespace kinetra
