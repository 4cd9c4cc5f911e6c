#include "exchange/CommandRun.h"

#include <algorithm>

#include "config/FileNames.h"
#include "exchange/Context.h"
#include "text/Hash.h"

namespace varnix::exchange {

platform::Platform& CommandRun::PlatformOf(Context& context) {
    return context.platform;
}

std::string CommandRun::JournalPathFor(platform::Platform& platform,
                                       const std::string& canonicalPath) {
    const std::string folder = platform.SharedFolder(config::kJournalFolderName);
    if (folder.empty()) {
        return {};
    }
    return folder + platform.Separator() + config::kJournalFilePrefix +
           text::HashName(canonicalPath) + config::kJournalFileSuffix;
}

CommandRun::Claim CommandRun::Hold(const std::string& inputPath) {
    if (inputPath.empty()) {
        Release();
        return Claim::Held;
    }
    // Checked on every call: the same configured text may name another file now (a folder
    // recreated through a link), and the claim is on the file the path leads to.
    auto& platform = context_.platform;
    const std::string canonical = platform.CanonicalPath(inputPath);
    // Claimed twice: by the path, and by the folder's identity on its disk with the file's
    // name, so that two paths to one folder (a bind mount, a share mounted twice, a link the
    // path does not show) meet as well. The folder's identity changes when it is made anew:
    // then the claim is taken again, on the next cycle at the latest, before anything runs.
    const std::string name = canonical.substr(canonical.find_last_of(platform.Separator()) + 1);
    const auto folderId =
        platform.FolderIdentity(canonical.substr(0, canonical.size() - name.size()));
    const std::string key = canonical + '\n' + (folderId ? *folderId + '/' + name : "");
    if (claim_ && key == claimKey_) {
        heldPath_ = inputPath;
        return Claim::Held;
    }
    Release();
    const auto take = [&](const std::string& what) -> std::optional<Claim> {
        auto claim = platform.ClaimExclusive(what);
        switch (claim.outcome) {
            case platform::ExclusiveClaim::Outcome::Busy:
                return Claim::Busy;
            case platform::ExclusiveClaim::Outcome::Unavailable:
                lastClaimReason_ = claim.reason;
                return Claim::Unavailable;
            case platform::ExclusiveClaim::Outcome::Held:
                break;
        }
        (claim_ ? folderClaim_ : claim_) = std::move(claim.lock);
        return std::nullopt;
    };
    if (const auto refused = take(canonical)) {
        return *refused;
    }
    if (folderId) {
        if (const auto refused = take("folder " + *folderId + '/' + name)) {
            Release();
            return *refused;
        }
    }
    lastClaimReason_.clear();
    claimKey_ = key;
    canonicalPath_ = canonical;
    heldPath_ = inputPath;
    // Read again now: whoever held this path before may have written it since.
    journal_.Open(JournalPathFor(context_.platform, canonical), canonical);
    RecoverInterrupted();
    return Claim::Held;
}

void CommandRun::Release() {
    folderClaim_.reset();
    claim_.reset();
    claimKey_.clear();
    heldPath_.clear();
    canonicalPath_.clear();
    file_.reset();
}

std::string CommandRun::ClaimMessage(const std::string& inputPath) const {
    // Windows-1252, as every message of the core: \xE8 is "e" with a grave accent.
    if (!lastClaimReason_.empty() && !claim_) {
        return "Impossibile assicurare che un solo VarnixPos usi " + inputPath + " (" +
               lastClaimReason_ + "): nessun comando viene eseguito finch\xE9 non si riesce";
    }
    return "VarnixPos \xE8 gi\xE0 in esecuzione per " + inputPath;
}

std::string CommandRun::UnreadableMessage(const std::string& inputPath) {
    return "Impossibile leggere il file comandi " + inputPath +
           " (aperto da un altro programma o senza permesso di lettura): nessun comando eseguito";
}

void CommandRun::RecordCommandsOf(CommandFile& file, std::uint64_t firstLine, const char* outcome,
                                  Dispatcher& dispatcher) {
    std::uint64_t index = 0;
    file.ForEachLine([&](std::string_view raw) {
        if (index++ < firstLine) {
            return true;
        }
        if (const auto line = Dispatcher::PrepareLine(raw);
            line && Dispatcher::TakesKeyword(*line)) {
            dispatcher.RecordNotRun(*line, outcome, heldPath_);
        }
        return true;
    });
}

void CommandRun::RecoverInterrupted() {
    auto& platform = context_.platform;
    recoveredAny_ = false;
    Dispatcher dispatcher(context_);
    for (const auto& entry : journal_.Interrupted()) {
        recoveredAny_ = true;
        // The commands after it in the same file never ran: each is named, so that nothing the
        // register asked for is lost without a word. Only the very bytes that were running
        // tell which commands those were. They go first, so that the dump and the log end
        // with what matters most to the register: the command whose outcome is unknown.
        CommandFile file(platform, heldPath_);
        const bool same =
            file.Status() == CommandFile::State::Open && file.Identity() == entry.identity;
        if (same) {
            RecordCommandsOf(file, entry.lineIndex + 1, kNotRunOutcome, dispatcher);
        }
        dispatcher.RecordNotRun(entry.line, kInterruptedOutcome, heldPath_);
        // Recorded first, then deleted, then resolved: a crash in between records it twice at
        // worst, and never sends it.
        const bool undeletable = same && !platform.RemoveFile(heldPath_);
        journal_.Resolve(entry.identity, undeletable);  // an undeletable one is kept, never run
    }
    // A journal with lines it cannot trust may have said that the file on the disk was running:
    // fail closed, as after a crash — its commands are recorded with an unknown outcome and not
    // sent, unless the journal plainly knows those bytes as run.
    if (journal_.Damaged()) {
        CommandFile file(platform, heldPath_);
        if (file.Status() == CommandFile::State::Open &&
            journal_.Find(file.Identity()) == IntentJournal::Mark::None) {
            recoveredAny_ = true;
            RecordCommandsOf(file, 0, kJournalDamagedOutcome, dispatcher);
            if (!platform.RemoveFile(heldPath_)) {
                journal_.Begin(file.Identity(), 0, {});  // kept as run: never sent
                journal_.Finish(file.Identity());
            }
        }
    }
    if (recoveredAny_) {
        journal_.SetHoldsRecord(true);
    }
    // Kept in the journal, so that a second restart still leaves that record to the register.
    context_.holdRecordForRegister = journal_.HoldsRecord();
}

CommandRun::Found CommandRun::Open() {
    file_.reset();
    alreadyRun_ = false;
    read_ = true;
    if (!claim_ || heldPath_.empty()) {
        return Found::None;
    }
    file_.emplace(context_.platform, heldPath_);
    switch (file_->Status()) {
        case CommandFile::State::Missing:
            journal_.ForgetAllBut(nullptr);
            return Found::None;
        case CommandFile::State::Unreadable:
            return Found::Unreadable;
        case CommandFile::State::Open:
            break;
    }
    // The register appended lines to a file that ran (or runs) and has not gone: only the new
    // lines are new commands; the earlier ones are never sent again.
    firstLine_ = 0;
    for (const auto& entry : journal_.Entries()) {
        if (const auto lines = file_->LinesBefore(entry.identity)) {
            firstLine_ = std::max(firstLine_, *lines);
        }
    }
    // Only the bytes on the disk now can still be "run": anything else recorded has gone.
    journal_.ForgetAllBut(&file_->Identity());
    alreadyRun_ = journal_.Find(file_->Identity()) != IntentJournal::Mark::None;
    return alreadyRun_ ? Found::AlreadyRun : Found::New;
}

void CommandRun::SeenGone() {
    journal_.ForgetAllBut(nullptr);
}

bool CommandRun::Execute(const std::function<bool()>& stopBeforeLine) {
    refusedAny_ = false;
    if (!file_ || file_->Status() != CommandFile::State::Open || alreadyRun_) {
        return true;
    }
    const FileIdentity identity = file_->Identity();
    // Where the journal goes is looked up again: its folder may have been removed meanwhile (a
    // clean-up of /var/tmp), and is made again.
    journal_.Relocate(JournalPathFor(context_.platform, canonicalPath_));
    Dispatcher dispatcher(context_);
    LineHooks hooks;
    hooks.stopBeforeLine = stopBeforeLine;
    hooks.firstLine = firstLine_;
    hooks.beforeCommand = [&](const std::string& line, std::uint64_t index) -> std::string {
        if (journal_.Begin(identity, index, line) || !Dispatcher::ReachesTerminal(line)) {
            return {};
        }
        // Fail closed: without its intent on the disk a crash could send it again.
        refusedAny_ = true;
        const std::string& where = journal_.JournalPath();
        return std::string(kIntentNotRecorded) + " (" +
               (where.empty() ? std::string("cartella del giornale non disponibile") : where) + ")";
    };
    dispatcher.EseguiFileComandi(*file_, context_.settings.ecrIdRequired, hooks);
    // The register has spoken again: its own outcome replaced the recovered one, and from now on
    // the dump follows the usual rules.
    context_.holdRecordForRegister = false;
    journal_.SetHoldsRecord(false);
    journal_.Finish(identity);
    read_ = dispatcher.FileWasRead();
    stoppedEarly_ = dispatcher.StoppedEarly();
    return read_;
}

CommandRun::Consumed CommandRun::Consume() {
    auto& platform = context_.platform;
    if (!file_ || file_->Status() != CommandFile::State::Open || !read_ ||
        !CommandFile::StillHas(platform, heldPath_, file_->Identity())) {
        return Consumed::Kept;
    }
    if (platform.RemoveFile(heldPath_)) {
        journal_.Forget(file_->Identity());
        return Consumed::Deleted;
    }
    return Consumed::Undeletable;
}

void CommandRun::ReportUndeletable() {
    if (!file_) {
        return;
    }
    const FileIdentity identity = file_->Identity();
    if (std::find(reported_.begin(), reported_.end(), identity) != reported_.end()) {
        return;
    }
    reported_.push_back(identity);
    context_.ports.dialogs.Inform(kAlreadyRunUndeletable + heldPath_);
}

}  // namespace varnix::exchange
