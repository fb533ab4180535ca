// What a real host does to the plug-in besides calling it: a stack aligned to 4 bytes
// only (32-bit hosts), and floating-point states of its own (Delphi's unmasked
// exceptions, Direct3D's 24-bit precision, rounding towards zero or down). The
// plug-in must give the same pixels and bytes in each, raise nothing, and hand the
// host's state back as it was.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "plugin_session.h"
#include "synthetic_images.h"

namespace tevtest {
namespace {

// ---- what the tests observe -------------------------------------------------

std::string SurfaceBytes(const DibSurface& surface) {
    const std::size_t size = static_cast<std::size_t>(surface.Width()) * surface.Height() * 4;
    return std::string(reinterpret_cast<const char*>(surface.Pixels()), size);
}

// A labelled record of everything a session showed, compared label by label.
struct Observation {
    std::string label;
    std::string bytes;
};

void ExpectSameObservations(const std::vector<Observation>& expected, const std::vector<Observation>& actual,
                            const std::string& condition) {
    ASSERT_EQ(actual.size(), expected.size()) << condition;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].label, expected[i].label);
        EXPECT_TRUE(actual[i].bytes == expected[i].bytes)
            << condition << ": " << actual[i].label << " differs (" << actual[i].bytes.size()
            << " bytes against " << expected[i].bytes.size() << ")";
    }
}

// An unmasked floating-point exception inside the plug-in ends the test program; say
// which one before it does.
LONG CALLBACK ReportFloatingPointException(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    const bool floatingPoint = (code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW) ||
                               code == 0xC00002B4 || code == 0xC00002B5;  // STATUS_FLOAT_MULTIPLE_*
    if (floatingPoint)
        std::fprintf(stderr, "floating-point exception 0x%08lX at %p\n", static_cast<unsigned long>(code),
                     info->ExceptionRecord->ExceptionAddress);
    return EXCEPTION_CONTINUE_SEARCH;
}

class FloatingPointExceptionReporter {
public:
    FloatingPointExceptionReporter()
        : handler_(AddVectoredExceptionHandler(1, ReportFloatingPointException)) {}
    ~FloatingPointExceptionReporter() { RemoveVectoredExceptionHandler(handler_); }
    FloatingPointExceptionReporter(const FloatingPointExceptionReporter&) = delete;
    FloatingPointExceptionReporter& operator=(const FloatingPointExceptionReporter&) = delete;

private:
    void* handler_;
};

// ---- floating-point states --------------------------------------------------

struct FloatingPointState {
    std::uint16_t x87Control;
    std::uint16_t x87Flags;  // the exception flags of the x87 status word
    std::uint32_t mxcsr;
};

FloatingPointState ReadFloatingPoint() {
    FloatingPointState state{};
    std::uint16_t status = 0;
    __asm__ volatile("fnstcw %0" : "=m"(state.x87Control));
    __asm__ volatile("fnstsw %0" : "=m"(status));
    __asm__ volatile("stmxcsr %0" : "=m"(state.mxcsr));
    state.x87Flags = status & 0x3F;
    return state;
}

// Loads a control word and MXCSR with every exception flag clear.
void LoadFloatingPoint(std::uint16_t x87Control, std::uint32_t mxcsr) {
    __asm__ volatile("fnclex\n\tfldcw %0" ::"m"(x87Control));
    __asm__ volatile("ldmxcsr %0" ::"m"(mxcsr));
}

struct HostFloatingPoint {
    const char* name;
    std::uint16_t x87Control;
    std::uint32_t mxcsr;
};

// The states hosts of this kind are known to run with.
const HostFloatingPoint kHostStates[] = {
    // Delphi: invalid operation, division by zero and overflow unmasked, in both units.
    {"delphi", 0x1332, 0x1900},
    // Direct3D 9 without FPU preserve: 24-bit x87 precision.
    {"direct3d9", 0x007F, 0x1F80},
    // The C runtime's default in programs built with Visual C++: 53-bit precision.
    {"visualCpp", 0x027F, 0x1F80},
    {"truncate", 0x0F7F, 0x7F80},
    {"roundDown", 0x077F, 0x3F80},
    {"roundUp", 0x0B7F, 0x5F80},
    // Audio and game hosts: denormals flushed to zero and read as zero.
    {"flushToZero", 0x037F, 0x9FC0},
    // Delphi's exceptions with truncation, as a host's Trunc() helper leaves it.
    {"delphiTruncate", 0x1F32, 0x7900},
};

// Runs host code under `state`: every export call and message pump of the session goes
// through here, and each must hand the state back exactly, flags included.
class HostConditions {
public:
    explicit HostConditions(const HostFloatingPoint* state) : state_(state), own_(ReadFloatingPoint()) {}

    template <typename Call>
    void Run(const char* what, Call&& call) {
        if (!state_) {
            call();
            return;
        }
        LoadFloatingPoint(state_->x87Control, state_->mxcsr);
        // As the processor holds it (a reserved control-word bit reads back set).
        const FloatingPointState before = ReadFloatingPoint();
        call();
        const FloatingPointState after = ReadFloatingPoint();
        LoadFloatingPoint(own_.x87Control, own_.mxcsr);
        EXPECT_EQ(after.x87Control, before.x87Control) << what << " under " << state_->name;
        EXPECT_EQ(after.x87Flags, 0) << what << " under " << state_->name << " left x87 exception flags";
        EXPECT_EQ(after.mxcsr, before.mxcsr) << what << " under " << state_->name;
    }

private:
    const HostFloatingPoint* state_;
    FloatingPointState own_;
};

// ---- the session under a host state ----------------------------------------

Bytes GammaChunk(std::uint32_t value) {
    Bytes data;
    AppendBigEndian32(data, value);
    return data;
}

// Every sample level 0..255 along x, so that every entry of the gamma table shows.
Bytes GammaPng(std::uint8_t colorType, std::uint32_t gamma) {
    constexpr int kWidth = 256;
    constexpr int kHeight = 3;
    std::vector<Bytes> rows;
    for (int y = 0; y < kHeight; ++y) {
        Bytes row;
        for (int x = 0; x < kWidth; ++x) {
            const auto level = static_cast<std::uint8_t>(x);
            const auto alpha = static_cast<std::uint8_t>(y == 0 ? 255 : (x * 7 + y * 50) & 255);
            switch (colorType) {
                case 0:
                case 3:
                    row.push_back(level);
                    break;
                case 4:
                    row.insert(row.end(), {level, alpha});
                    break;
                case 2:
                    row.insert(row.end(), {level, static_cast<std::uint8_t>(255 - level),
                                           static_cast<std::uint8_t>(level * 3)});
                    break;
                default:
                    row.insert(row.end(), {level, static_cast<std::uint8_t>(level * 5),
                                           static_cast<std::uint8_t>(255 - level), alpha});
            }
        }
        rows.push_back(row);
    }
    PngBytes png = PngBytes::Start(kWidth, kHeight, 8, colorType);
    png.Chunk("gAMA", GammaChunk(gamma));
    if (colorType == 3) {
        Bytes palette;
        for (int i = 0; i < 256; ++i)
            palette.insert(palette.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                           static_cast<std::uint8_t>(i * 3)});
        Bytes transparency;
        for (int i = 0; i < 256; ++i) transparency.push_back(static_cast<std::uint8_t>(i * 11));
        png.Chunk("PLTE", palette).Chunk("tRNS", transparency);
    }
    return png.Idat(Zlib(FilteredRows(rows))).Iend().bytes();
}

struct GammaFile {
    const char* label;
    std::uint8_t colorType;
    std::uint32_t gamma;
};

// Gamma values whose tables hold entries close to a rounding tie.
const GammaFile kGammaFiles[] = {
    {"grey", 0, 45455}, {"rgb", 2, 45455},       {"palette", 3, 100000}, {"greyAlpha", 4, 35000},
    {"rgba", 6, 45455}, {"rgbaDark", 6, 250000}, {"rgbLight", 2, 18000},
};

struct Size {
    int width, height;
};
const Size kResizes[] = {{411, 7}, {1, 1}, {97, 55}, {640, 9}};

class HostFloatingPointSession : public PluginSession {
protected:
    // Load, draw and save each gamma file, resize it to every size (draw and save
    // each), restore it and draw it again: what the plug-in showed, in order.
    std::vector<Observation> RunSession(const HostFloatingPoint* state) {
        HostConditions host(state);
        std::vector<Observation> seen;
        auto draw = [&](const std::string& label, int width, int height) {
            auto surface = std::make_unique<DibSurface>(width + 4, height + 4);
            surface->Fill(
                [](int x, int y) { return static_cast<std::uint32_t>(0x00406080 + x * 3 + y * 0x10000); });
            host.Run("Draw", [&] { dll.Draw(surface->Dc(), 2, 2, width, height); });
            seen.push_back({label + " drawn", SurfaceBytes(*surface)});
        };
        auto save = [&](const std::string& label) {
            const std::string path = scratch.Name("saved.png");
            RemoveFile(path);
            dll.SetFile(path.c_str());
            host.Run("savescaled", [&] { dll.savescaled(); });
            seen.push_back({label + " saved", ReadFileBytes(path)});
        };
        for (const GammaFile& file : kGammaFiles) {
            const std::string label = file.label;
            const std::string path = scratch.Write(label + ".png", GammaPng(file.colorType, file.gamma));
            dll.SetFile(path.c_str());
            host.Run("loadpng", [&] { dll.loadpng(); });
            draw(label, 256, 3);
            save(label);
            for (const Size& size : kResizes) {
                const std::string sized =
                    label + " at " + std::to_string(size.width) + "x" + std::to_string(size.height);
                Push({size.width, size.height});
                host.Run("resizepng", [&] { dll.resizepng(); });
                draw(sized, size.width, size.height);
                save(sized);
            }
            host.Run("restorepng", [&] { dll.restorepng(); });
            draw(label + " restored", 256, 3);
            // The hotspot script's timer ticks in the host's message loop, in the host's state.
            host.Run("the message loop", [&] { PumpMessagesFor(80); });
        }
        boxes.Clear();
        return seen;
    }
};

class HostFloatingPointStates : public HostFloatingPointSession,
                                public testing::WithParamInterface<HostFloatingPoint> {};

TEST_P(HostFloatingPointStates, GiveTheSamePixelsAndBytesAndHandTheStateBack) {
    FloatingPointExceptionReporter reporter;
    const std::vector<Observation> reference = RunSession(nullptr);
    const HostFloatingPoint state = GetParam();
    const std::vector<Observation> underHostState = RunSession(&state);
    ExpectSameObservations(reference, underHostState, state.name);
}

INSTANTIATE_TEST_SUITE_P(Hosts, HostFloatingPointStates, testing::ValuesIn(kHostStates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostFloatingPointTable, TheReferenceStateIsTheTestProgramsOwn) {
    // The reference run is made in the state every mingw program starts in; each host
    // state above differs from it somewhere.
    const FloatingPointState own = ReadFloatingPoint();
    EXPECT_EQ(own.x87Control & 0x0F3F, 0x033F);
    EXPECT_EQ(own.mxcsr & 0xFFC0, 0x1F80);
    for (const HostFloatingPoint& state : kHostStates)
        EXPECT_TRUE(state.x87Control != own.x87Control || state.mxcsr != (own.mxcsr & 0xFFC0)) << state.name;
}

// The host's own code that runs inside a call (a hook seeing the plug-in's message box,
// a timer of the host dispatched by the settings dialog's loop) runs in the host's state.
class HostCodeInsideCalls : public PluginSession {};

TEST_F(HostCodeInsideCalls, RunsInTheHostsFloatingPointState) {
    const HostFloatingPoint& delphi = kHostStates[0];
    HostConditions host(&delphi);
    std::vector<FloatingPointState> seenByHostCode;
    boxes.OnBox([&](const CapturedBox&) { seenByHostCode.push_back(ReadFloatingPoint()); });
    dll.SetFile(scratch.Name("saved.png").c_str());
    host.Run("savescaled", [&] { dll.savescaled(); });
    {
        DialogDriver cansel([&](const DialogWindows& dialog) {
            seenByHostCode.push_back(ReadFloatingPoint());
            Click(dialog.cansel);
            return true;
        });
        host.Run("Interface", [&] { dll.Interface(); });
        EXPECT_TRUE(cansel.Finished());
    }
    ASSERT_EQ(seenByHostCode.size(), 2u) << "the message box and the dialog were seen";
    for (const FloatingPointState& seen : seenByHostCode) {
        EXPECT_EQ(seen.x87Control & ~0x40, delphi.x87Control & ~0x40);
        EXPECT_EQ(seen.mxcsr & ~0x3Fu, delphi.mxcsr);
    }
}

// ---- a stack aligned to 4 bytes (32-bit hosts) ----------------------------

#if defined(__i386__)

// One call of an export by address with a chosen stack alignment, and what came back.
struct StackCall {
    void* function;
    std::uint32_t arguments[5];
    std::uint32_t argumentCount;
    std::uint32_t espModulo16;  // ESP mod 16 at the call instruction, arguments pushed
    std::uint32_t result;
    std::uint32_t espAtCall;
    std::uint32_t espAfterReturn;
    std::uint32_t ebx, esi, edi, ebp;  // as the callee left them
    std::uint32_t savedEsp;            // the trampoline's own
};
static_assert(offsetof(StackCall, arguments) == 4 && offsetof(StackCall, argumentCount) == 24 &&
              offsetof(StackCall, espModulo16) == 28 && offsetof(StackCall, result) == 32 &&
              offsetof(StackCall, espAtCall) == 36 && offsetof(StackCall, espAfterReturn) == 40 &&
              offsetof(StackCall, ebx) == 44 && offsetof(StackCall, ebp) == 56 &&
              offsetof(StackCall, savedEsp) == 60);

// What the trampoline puts in the callee-saved registers before the call.
constexpr std::uint32_t kEbx = 0x0EB0EB01, kEsi = 0x0E510E51, kEdi = 0x0ED10ED1, kEbp = 0x0EB90EB9;

extern "C" void CallWithStack(StackCall* call) __asm__("tevtest_call_with_stack");

// Pushes the arguments right to left so that ESP mod 16 is espModulo16 at the call,
// fills EBX, ESI, EDI and EBP with known values, calls (cdecl: the caller removes the
// arguments) and records EAX, ESP and the four registers as the callee left them.
__asm__(R"(
    .data
    .balign 4
tevtest_current_call:
    .long 0
    .text
    .globl tevtest_call_with_stack
tevtest_call_with_stack:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%esp), %eax
    movl %eax, tevtest_current_call
    movl %esp, 60(%eax)
    andl $-16, %esp
    movl 24(%eax), %ecx
    leal 0(,%ecx,4), %edx
    negl %edx
    subl 28(%eax), %edx
    andl $15, %edx
    subl %edx, %esp
1:  testl %ecx, %ecx
    jz 2f
    pushl (%eax,%ecx,4)
    decl %ecx
    jmp 1b
2:  movl %esp, 36(%eax)
    movl $0x0EB0EB01, %ebx
    movl $0x0E510E51, %esi
    movl $0x0ED10ED1, %edi
    movl $0x0EB90EB9, %ebp
    call *(%eax)
    movl tevtest_current_call, %ecx
    movl %eax, 32(%ecx)
    movl %esp, 40(%ecx)
    movl %ebx, 44(%ecx)
    movl %esi, 48(%ecx)
    movl %edi, 52(%ecx)
    movl %ebp, 56(%ecx)
    movl 60(%ecx), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

template <typename Function>
void* AddressOf(Function function) {
    return reinterpret_cast<void*>(function);
}

std::uint32_t Word(const void* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

class MisalignedStack : public PluginSession, public testing::WithParamInterface<std::uint32_t> {
protected:
    // Calls an export through the trampoline and checks what the calling convention promises.
    std::uint32_t Call(const char* name, void* function, std::vector<std::uint32_t> arguments = {}) {
        StackCall call{};
        call.function = function;
        call.argumentCount = static_cast<std::uint32_t>(arguments.size());
        for (std::size_t i = 0; i < arguments.size(); ++i) call.arguments[i] = arguments[i];
        call.espModulo16 = GetParam();
        CallWithStack(&call);
        EXPECT_EQ(call.espAtCall % 16, GetParam()) << name;
        EXPECT_EQ(call.espAfterReturn, call.espAtCall) << name << " moved ESP (cdecl: the caller cleans up)";
        EXPECT_EQ(call.ebx, kEbx) << name;
        EXPECT_EQ(call.esi, kEsi) << name;
        EXPECT_EQ(call.edi, kEdi) << name;
        EXPECT_EQ(call.ebp, kEbp) << name;
        called_.insert(name);
        return call.result;
    }
    void Command(const char* name, PluginDll::Command command) { Call(name, AddressOf(command)); }
    void SetFile(const std::string& text) { Call("SetFile", AddressOf(dll.SetFile), {Word(text.c_str())}); }
    void SetData(std::int32_t value) {
        Call("SetData", AddressOf(dll.SetData), {static_cast<std::uint32_t>(value)});
    }
    std::string DrawWith(int width, int height, std::uint32_t background) {
        DibSurface surface(width, height);
        surface.Fill([&](int x, int y) { return background ^ static_cast<std::uint32_t>(x * 5 + y * 3); });
        const std::uint32_t result = Call("Draw", AddressOf(dll.Draw),
                                          {Word(surface.Dc()), 0, 0, static_cast<std::uint32_t>(width),
                                           static_cast<std::uint32_t>(height)});
        EXPECT_EQ(result, 0u);
        return SurfaceBytes(surface);
    }

    std::set<std::string> called_;
};

const Bytes& FullHdPhoto() {
    static const Bytes png = PhotoLikePng(1920, 1080, 4, 12, 1);
    return png;
}

// The whole session, every export among it, its pictures kept for comparison with the
// aligned run.
std::vector<Observation>& AlignedObservations() {
    static std::vector<Observation> observations;
    return observations;
}

TEST_P(MisalignedStack, EveryExportKeepsTheCallingConventionAndItsResults) {
    const std::string photo = scratch.Write("photo.png", FullHdPhoto());
    const std::string small = scratch.Write("small.png", PhotoLikePng(48, 32, 4, 3));
    const std::string saved = scratch.Name("saved.png");
    std::vector<Observation> seen;

    EXPECT_EQ(Call("HasIntDlg", AddressOf(dll.HasIntDlg)), 1u);
    EXPECT_EQ(Call("CreateObject", AddressOf(dll.CreateObject)), 0u);
    EXPECT_EQ(reinterpret_cast<const char*>(Call("GetShortInfo", AddressOf(dll.GetShortInfo))),
              std::string("Tolvane Varnelix plugin v3.0"));
    EXPECT_NE(Call("GetInfo", AddressOf(dll.GetInfo)), 0u);
    EXPECT_NE(Call("Copyright", AddressOf(dll.Copyright)), 0u);
    const std::string hostPath = "C:\\host\\";
    Call("SetPath", AddressOf(dll.SetPath), {Word(hostPath.c_str())});
    Call("SetParentWindow", AddressOf(dll.SetParentWindow), {Word(page->Window())});

    SetFile(photo);
    EXPECT_EQ(reinterpret_cast<const char*>(Call("GetFile", AddressOf(dll.GetFile))), photo);
    Command("loadpng", dll.loadpng);
    seen.push_back({"photo drawn", DrawWith(1920, 1080, 0x00336699)});
    SetData(700);
    SetData(390);
    EXPECT_EQ(Call("GetData", AddressOf(dll.GetData)), 390u);
    Command("resizepng", dll.resizepng);
    seen.push_back({"photo made smaller", DrawWith(700, 390, 0x00A0B0C0)});
    Command("restorepng", dll.restorepng);
    SetData(2100);
    SetData(1300);
    Command("resizepng", dll.resizepng);
    seen.push_back({"photo made larger", DrawWith(2100, 1300, 0x00102030)});
    SetFile(saved);
    Command("savescaled", dll.savescaled);
    seen.push_back({"photo saved", ReadFileBytes(saved)});

    SetData(0x00FF00FF);
    Command("setalphacolor", dll.setalphacolor);
    Command("shide", dll.shide);
    SetFile(small);
    Command("loadalpha", dll.loadalpha);
    Command("shide", dll.shide);

    SetFile(small + "#" + small + "#");
    SetData(2);
    Command("makesprite", dll.makesprite);
    SetData(1);
    Command("setcurframe", dll.setcurframe);
    Command("spriteanim", dll.spriteanim);
    seen.push_back({"sprite frame drawn", DrawWith(64, 48, 0x00204060)});
    SetData(0);
    Command("spriteanim", dll.spriteanim);

    Command("test", dll.test);
    {
        DialogDriver cansel([](const DialogWindows& dialog) {
            Click(dialog.cansel);
            return true;
        });
        EXPECT_EQ(Call("Interface", AddressOf(dll.Interface)), 0u);
        EXPECT_TRUE(cansel.Finished());
    }
    const std::set<std::string> everyExport = {
        "setalphacolor",   "shide",        "loadalpha", "setcurframe", "spriteanim", "makesprite",
        "savescaled",      "restorepng",   "resizepng", "loadpng",     "test",       "Draw",
        "SetParentWindow", "CreateObject", "Interface", "HasIntDlg",   "GetInfo",    "GetShortInfo",
        "Copyright",       "SetPath",      "GetData",   "SetData",     "GetFile",    "SetFile"};
    EXPECT_EQ(called_, everyExport);

    if (GetParam() == 0) {
        AlignedObservations() = seen;
    } else {
        ASSERT_FALSE(AlignedObservations().empty()) << "the aligned run goes first";
        ExpectSameObservations(AlignedObservations(), seen, "ESP " + std::to_string(GetParam()) + " mod 16");
    }
}

INSTANTIATE_TEST_SUITE_P(EspModulo16, MisalignedStack, testing::Values(0u, 4u, 8u, 12u),
                         [](const auto& info) { return "Esp" + std::to_string(info.param); });

#endif  // __i386__

}  // namespace
}  // namespace tevtest
