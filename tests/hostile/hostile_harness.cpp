#include "tests/hostile/hostile_harness.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include "core/job/extraction_job.h"
#include "core/base/unique_handle.h"
#include "core/job/work_paths.h"
#include "core/zip/zip_extractor.h"
#include "tests/support/current_folder.h"

namespace dovrel::test {

namespace {

const std::vector<std::string> kFailureEvents = {"message:提示:提取失败！"};

// ---- Guard state, shared with the watcher thread and the crash filter ----

CRITICAL_SECTION g_guardLock;
std::string g_guardLabel;
ULONGLONG g_guardDeadline = 0;  // 0: no case running

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "\nCRASH: exception 0x%08lX while running %s\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), g_guardLabel.c_str());
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI WatchForHangs(void*)
{
    for (;;) {
        Sleep(250);
        EnterCriticalSection(&g_guardLock);
        if (g_guardDeadline != 0 && GetTickCount64() > g_guardDeadline) {
            std::fprintf(stderr, "\nHANG: %s ran longer than it may\n", g_guardLabel.c_str());
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        LeaveCriticalSection(&g_guardLock);
    }
}

void StartGuardOnce()
{
    static const bool started = [] {
        InitializeCriticalSection(&g_guardLock);
        SetUnhandledExceptionFilter(ReportCrash);
        HANDLE thread = CreateThread(nullptr, 0, WatchForHangs, nullptr, 0, nullptr);
        if (thread) CloseHandle(thread);
        return true;
    }();
    (void)started;
}

std::string FullPath(const std::string& path)
{
    std::vector<char> buffer(32768);
    DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length >= buffer.size()) return {};
    return std::string(buffer.data(), length);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsInside(const std::string& path, const std::string& folder)
{
    std::string p = Lower(path);
    std::string f = Lower(folder);
    return p == f || p.compare(0, f.size() + 1, f + "\\") == 0;
}

// The name as Windows would take it apart: every component without its
// trailing dots and spaces.
std::string WithoutTrailingDotsAndSpaces(const std::string& name)
{
    std::string out;
    std::string component;
    auto flush = [&] {
        while (!component.empty() && (component.back() == '.' || component.back() == ' ')) component.pop_back();
        out += component;
        component.clear();
    };
    for (char c : name) {
        if (c == '\\') {
            flush();
            out += c;
        } else {
            component += c;
        }
    }
    flush();
    return out;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string WithArchive(const std::string& tree)
{
    std::vector<std::string> lines = Lines(tree);
    lines.push_back("temp.zip");
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

// ---- CaseGuard ---------------------------------------------------------------

CaseGuard::CaseGuard(const std::string& label, unsigned seconds)
{
    StartGuardOnce();
    EnterCriticalSection(&g_guardLock);
    g_guardLabel = label;
    g_guardDeadline = GetTickCount64() + 1000ull * seconds;
    LeaveCriticalSection(&g_guardLock);
}

CaseGuard::~CaseGuard()
{
    EnterCriticalSection(&g_guardLock);
    g_guardDeadline = 0;
    g_guardLabel = "(between cases)";
    LeaveCriticalSection(&g_guardLock);
}

// ---- EscapeWatch -------------------------------------------------------------

EscapeWatch::EscapeWatch(const std::string& target, const std::vector<std::string>& names)
{
    std::set<std::string> places;
    for (const std::string& stored : names) {
        // c_str() cuts the name at its first zero byte, as a C string would.
        const std::string name = BackslashName(stored).c_str();
        for (const std::string& candidate :
             {target + "\\" + name, name, target + "\\" + WithoutTrailingDotsAndSpaces(name),
              WithoutTrailingDotsAndSpaces(name)}) {
            std::string full = FullPath(candidate);
            if (!full.empty() && !IsInside(full, target) && !Exists(full)) places.insert(full);
        }
    }
    watched_.assign(places.begin(), places.end());
}

std::vector<std::string> EscapeWatch::Escaped() const
{
    std::vector<std::string> escaped;
    for (const auto& place : watched_)
        if (Exists(place)) escaped.push_back(place);
    return escaped;
}

std::string TreeWithout(const std::string& root, const std::string& prefix)
{
    std::string out;
    for (const auto& line : Lines(ListTree(root)))
        if (!StartsWith(line, prefix)) out += line + "\n";
    return out;
}

// ---- ExtractorSandbox --------------------------------------------------------

ExtractorSandbox::ExtractorSandbox() : target_(root_ / "target"), outside_(root_ / "outside")
{
    CreateDirectoryA(target_.c_str(), nullptr);
    CreateDirectoryA(outside_.c_str(), nullptr);
}

std::int32_t ExtractorSandbox::Run(const std::string& archive, const std::vector<std::string>& names,
                                   const std::string& label)
{
    CreateDirectoryA(target_.c_str(), nullptr);
    WriteFileBytes(Archive(), archive);
    const std::string before = TreeWithout(root_.path(), "target\\");
    EscapeWatch watch(target_, names);

    std::int32_t result;
    {
        ScopedOverride current(SwapCurrentFolder, outside_);
        CaseGuard guard(label, 120);
        result = ZipExtractor(Archive(), target_);
    }

    EXPECT_EQ(TreeWithout(root_.path(), "target\\"), before) << "something changed outside the target";
    EXPECT_EQ(ListTree(outside_), "");
    EXPECT_TRUE(ReadFileBytes(Archive()) == archive) << "the archive changed";
    // Closed on every way out: nobody holds it open any more.
    UniqueFile exclusive(
        CreateFileA(Archive().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(exclusive) << "the archive is still open";
    EXPECT_EQ(watch.Escaped(), std::vector<std::string>{});
    return result;
}

void ExtractorSandbox::Clear()
{
    ForceRemoveTree(target_);
    CreateDirectoryA(target_.c_str(), nullptr);
}

// ---- JobSandbox --------------------------------------------------------------

JobSandbox::JobSandbox()
    : documents_(root_ / "Documents"), files_(root_ / "files"), user_(documents_ + "\\"), seam_(InstallUserSeam, &user_)
{
    CreateDirectoryA(documents_.c_str(), nullptr);
    CreateDirectoryA(files_.c_str(), nullptr);
    SetUpWorkPaths();
}

JobSandbox::~JobSandbox() { ReleaseWorkPaths(); }

std::string JobSandbox::OutputRoot() const { return CurrentWorkPaths().outputRoot; }
std::string JobSandbox::ScratchFolder() const { return CurrentWorkPaths().scratchFolder; }

std::string JobSandbox::PlaceDocument(const std::string& fileName, const std::string& bytes)
{
    std::string path = files_ + "\\" + fileName;
    WriteFileBytes(path, bytes);
    SetSelectedDocuments({path});
    return path;
}

JobOutcome JobSandbox::Run(const std::string& bytes, const std::vector<std::string>& names, const std::string& label,
                           const std::string& fileName)
{
    const std::string document = PlaceDocument(fileName, bytes);
    const std::string before = TreeWithout(root_.path(), "Documents\\PPT_RES\\");
    const std::vector<std::string> resultsBefore = ResultFolders();
    EscapeWatch watch(ScratchFolder(), names);
    user_.events.clear();
    {
        ScopedOverride current(SwapCurrentFolder, files_);
        CaseGuard guard(label, 120);
        RunExtraction();
    }

    EXPECT_TRUE(ReadFileBytes(document) == bytes) << "the user's document changed";
    EXPECT_EQ(TreeWithout(root_.path(), "Documents\\PPT_RES\\"), before) << "something changed outside the output root";
    EXPECT_EQ(watch.Escaped(), std::vector<std::string>{});

    const std::vector<std::string> success = {"message:提示:提取成功！", "open:" + OutputRoot()};
    if (user_.events == kFailureEvents) {
        // No partial result: only the scratch folder, kept for the next
        // start; the document is read in place, never copied.
        EXPECT_EQ(ResultFolders(), resultsBefore) << "a result appeared although the job failed";
        EXPECT_FALSE(Exists(CurrentWorkPaths().scratchFolder + "\\temp.zip"));
        return JobOutcome::Failure;
    }
    if (user_.events == success) {
        EXPECT_EQ(ResultFolders().size(), resultsBefore.size() + 1);
        EXPECT_FALSE(Exists(ScratchFolder())) << "the scratch folder stayed after a success";
        return JobOutcome::Success;
    }
    EXPECT_EQ(user_.events, std::vector<std::string>{}) << "neither failure, success nor a silent end";
    EXPECT_EQ(ResultFolders(), resultsBefore) << "a result appeared although the job ended silently";
    EXPECT_FALSE(Exists(ScratchFolder())) << "the scratch folder stayed after a silent end";
    return JobOutcome::Silent;
}

std::vector<std::string> JobSandbox::ResultFolders() const
{
    std::vector<std::string> folders;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((OutputRoot() + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return folders;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != ".." && name != "TMP") folders.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(folders.begin(), folders.end());
    return folders;
}

void JobSandbox::ExpectNextGoodRunSucceeds()
{
    const std::vector<std::string> before = ResultFolders();
    PlaceDocument("good.pptx", GoodPresentation());
    user_.events.clear();
    {
        ScopedOverride current(SwapCurrentFolder, files_);
        CaseGuard guard("the good run after a hostile one", 60);
        RunExtraction();
    }
    EXPECT_EQ(user_.events, (std::vector<std::string>{"message:提示:提取成功！", "open:" + OutputRoot()}))
        << "the good document after a hostile one";
    std::vector<std::string> added;
    for (const auto& folder : ResultFolders())
        if (std::find(before.begin(), before.end(), folder) == before.end()) added.push_back(folder);
    ASSERT_EQ(added.size(), 1u) << "the good document gave no single new result folder";
    EXPECT_TRUE(StartsWith(added[0], "good_")) << added[0];
    const std::string result = OutputRoot() + "\\" + added[0];
    EXPECT_EQ(ListTree(result), "good1.png\ngood2.jpeg\ngood3.mp4\n") << "leftovers joined the good document's media";
    for (const auto& [name, bytes] : GoodMedia()) EXPECT_TRUE(ReadFileBytes(result + "\\" + name) == bytes) << name;
    EXPECT_FALSE(Exists(ScratchFolder())) << "the scratch folder stayed after the good run";
}

void JobSandbox::Clear()
{
    ForceRemoveTree(OutputRoot());
    user_.events.clear();
}

std::unique_ptr<ScopedFolderLink> JobSandbox::PlantLink(const std::string& relative)
{
    const std::string linked = root_ / "linked";
    CreateDirectoryA(linked.c_str(), nullptr);
    CreateDirectoryA((linked + "\\media").c_str(), nullptr);
    WriteFileBytes(linked + "\\photo.jpg", "the user's photo");
    WriteFileBytes(linked + "\\media\\photo.jpg", "the user's other photo");
    const std::string link = OutputRoot() + "\\" + relative;
    for (std::size_t at = OutputRoot().size(); at != std::string::npos; at = link.find('\\', at + 1))
        CreateDirectoryA(link.substr(0, at).c_str(), nullptr);
    return std::make_unique<ScopedFolderLink>(link, linked);
}

// ---- The checks of one case ------------------------------------------------

void PrintTo(JobOutcome outcome, std::ostream* out)
{
    *out << (outcome == JobOutcome::Success ? "success" : outcome == JobOutcome::Failure ? "failure" : "silent end");
}

void CheckExtractorOn(const HostileCase& hostileCase)
{
    const HostileSample sample = hostileCase.make();
    ExtractorSandbox box;
    const std::int32_t result = box.Run(sample.archive, sample.names, std::string("extractor, ") + hostileCase.name);
    EXPECT_EQ(result, hostileCase.verdict == Verdict::Extracted ? 1 : 0);

    if (hostileCase.verdict == Verdict::Extracted && result == 1) {
        EXPECT_EQ(ListTree(box.Target()), WithArchive(sample.Tree()));
        for (const auto& [path, bytes] : sample.files)
            EXPECT_TRUE(ReadFileBytes(box.Target() + "\\" + path) == bytes) << path << " does not hold its bytes";
    }
    if (hostileCase.verdict == Verdict::Refused) {
        EXPECT_EQ(ListTree(box.Target()), "temp.zip\n") << "written before refusing";
    }

    // A good archive next, into a fresh target (what the job's clean-up makes).
    box.Clear();
    EXPECT_EQ(box.Run(GoodPresentation(), {}, std::string("extractor, good run after ") + hostileCase.name), 1);
    for (const auto& [name, bytes] : GoodMedia())
        EXPECT_TRUE(ReadFileBytes(box.Target() + "\\ppt\\media\\" + name) == bytes) << name;
}

void CheckJobOn(const HostileCase& hostileCase, PackageFlavour flavour)
{
    const bool openDocument = flavour == PackageFlavour::OpenDocument;
    const HostileSample sample = [&] {
        ScopedPackageFlavour built(flavour);
        return hostileCase.make();
    }();
    JobSandbox box;
    const JobOutcome expected = hostileCase.job                             ? hostileCase.job->outcome
                                : hostileCase.verdict != Verdict::Extracted ? JobOutcome::Failure
                                : sample.HasMediaFolder()                   ? JobOutcome::Success
                                                                            : JobOutcome::Silent;
    const JobOutcome seen = box.Run(sample.archive, sample.names,
                                    std::string(openDocument ? "job on OpenDocument, " : "job, ") + hostileCase.name,
                                    openDocument ? "deck.odp" : "deck.pptx");
    EXPECT_EQ(seen, expected);
    if (seen == JobOutcome::Success && expected == JobOutcome::Success) {
        const std::vector<std::string> results = box.ResultFolders();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_TRUE(StartsWith(results[0], "deck_")) << results[0];
        const std::string result = box.OutputRoot() + "\\" + results[0];
        EXPECT_EQ(ListTree(result), hostileCase.job ? std::string(hostileCase.job->mediaTree) : sample.MediaTree());
        for (const auto& [path, bytes] : sample.files) {
            if (StartsWith(Lower(path), sample.mediaPrefix) && (!hostileCase.job || hostileCase.job->sampleBytes)) {
                EXPECT_TRUE(ReadFileBytes(result + "\\" + path.substr(sample.mediaPrefix.size())) == bytes)
                    << path << " does not hold its bytes";
            }
        }
    }
    box.ExpectNextGoodRunSucceeds();
}

}  // namespace dovrel::test
