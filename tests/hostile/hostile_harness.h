#pragma once
// The sandboxes and checks that every hostile case and every mutation
// shares: a hostile archive goes through ZipExtractor in a sandbox with an
// "outside" folder next to the target, and through the whole job with a
// temporary Documents folder, and whatever the outcome nothing may change
// outside the target (or scratch) folder, the user's document stays as it
// was, and the next good document succeeds.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/folder_link.h"
#include "tests/support/hostile_packages.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/scoped_override.h"
#include "tests/support/temp_folder.h"
#include "core/shell/user_seam.h"

namespace dovrel::test {

// ---- Crashes and hangs -----------------------------------------------------

// While it lives, a crash or a run longer than `seconds` ends the process
// with a message that names `label` (a hang or a crash would otherwise end
// the test program without saying which case or iteration caused it).
class CaseGuard {
public:
    CaseGuard(const std::string& label, unsigned seconds);
    ~CaseGuard();
    CaseGuard(const CaseGuard&) = delete;
    CaseGuard& operator=(const CaseGuard&) = delete;
};

// ---- Escapes ---------------------------------------------------------------

// The places where a naive extraction of `names` into `target` would put
// something outside it: each name joined to the target, and each name on
// its own (absolute, drive-relative, or relative to the current folder).
// Only the places where nothing exists when it is made are watched.
class EscapeWatch {
public:
    EscapeWatch(const std::string& target, const std::vector<std::string>& names);
    // The watched places where something exists now.
    std::vector<std::string> Escaped() const;

private:
    std::vector<std::string> watched_;
};

// ListTree(root) without the lines that start with `prefix`.
std::string TreeWithout(const std::string& root, const std::string& prefix);

// ---- ZipExtractor in a sandbox ---------------------------------------------

// root\target holds the archive as temp.zip, as the job's scratch folder
// does; root\outside is the current folder while ZipExtractor runs, so a
// name relative to the current folder or its drive lands there.
class ExtractorSandbox {
public:
    ExtractorSandbox();
    const std::string& Target() const { return target_; }
    std::string Archive() const { return target_ + "\\temp.zip"; }

    // Places the archive, runs ZipExtractor under a guard, and checks what
    // holds whatever it answers: the tree outside the target and the
    // archive's bytes unchanged, "outside" empty, no escape.
    std::int32_t Run(const std::string& archive, const std::vector<std::string>& names, const std::string& label);
    // Empties the target for the next run.
    void Clear();

private:
    TempFolder root_;
    std::string target_;
    std::string outside_;
};

// ---- The job with a temporary Documents folder -----------------------------

enum class JobOutcome { Success, Failure, Silent };
void PrintTo(JobOutcome outcome, std::ostream* out);

// root\Documents is the seam's Documents folder; root\files holds the
// user's documents and is the current folder while the job runs.
class JobSandbox {
public:
    JobSandbox();
    ~JobSandbox();
    JobSandbox(const JobSandbox&) = delete;
    JobSandbox& operator=(const JobSandbox&) = delete;

    std::string OutputRoot() const;
    std::string ScratchFolder() const;
    // Writes the document into root\files and selects it.
    std::string PlaceDocument(const std::string& fileName, const std::string& bytes);

    // Runs the job on `bytes` (as `fileName`) under a guard and checks what
    // holds whatever the outcome: the document's bytes, the tree outside
    // the output root, no escape from the scratch folder, and the message
    // and output root that go with the outcome. Answers the outcome seen.
    JobOutcome Run(const std::string& bytes, const std::vector<std::string>& names, const std::string& label,
                   const std::string& fileName = "deck.pptx");
    // The folders in the output root apart from TMP.
    std::vector<std::string> ResultFolders() const;
    // A good document run next: success, its media in a new result folder,
    // no scratch folder left.
    void ExpectNextGoodRunSucceeds();
    // Removes the output root for the next run.
    void Clear();
    // A link at OutputRoot\<relative> (its missing parents made) to the
    // folder root\linked, which holds a photo and a media folder with one:
    // they lie outside the output root, so every run checks them.
    std::unique_ptr<ScopedFolderLink> PlantLink(const std::string& relative);

private:
    TempFolder root_;
    std::string documents_;
    std::string files_;
    RecordingUserSeam user_;
    ScopedOverride<UserSeam*> seam_;
    int goodRuns_ = 0;
};

// ---- Case tables -----------------------------------------------------------

enum class Verdict {
    Extracted,  // 1, and the target holds exactly the sample's tree
    Failed,     // 0
    Refused,    // 0 before any entry was written
};

// The job writes only the media: where that makes it end otherwise than
// the verdict says (a damaged part outside the media folder no longer fails
// it; a picture it cannot read does), how it ends and, after a success, its
// result folder's listing.
struct JobExpectation {
    JobOutcome outcome;
    const char* mediaTree = "";
    // The media files hold the bytes the sample says (not when the job
    // keeps a file the sample has replaced).
    bool sampleBytes = true;
};

struct HostileCase {
    const char* name;  // the test's name: letters, digits and "_"
    std::function<HostileSample()> make;
    Verdict verdict;
    std::optional<JobExpectation> job = std::nullopt;
};

// The two job expectations that differ from the verdicts.
inline JobExpectation JobFails() { return {JobOutcome::Failure}; }
inline JobExpectation JobExtracts(const char* mediaTree, bool sampleBytes = true)
{
    return {JobOutcome::Success, mediaTree, sampleBytes};
}

inline std::string CaseName(const testing::TestParamInfo<HostileCase>& info) { return info.param.name; }
inline void PrintTo(const HostileCase& hostileCase, std::ostream* out) { *out << hostileCase.name; }

// The whole check of one case against ZipExtractor, then against the job
// (on the case built as a package of `flavour`).
void CheckExtractorOn(const HostileCase& hostileCase);
void CheckJobOn(const HostileCase& hostileCase, PackageFlavour flavour = PackageFlavour::OfficeOpenXml);

}  // namespace dovrel::test
