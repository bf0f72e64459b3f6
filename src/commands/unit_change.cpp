#include "unit_change.h"

#include <algorithm>
#include <memory>

#include "commands.h"
#include "data/error.h"
#include "data/file_replacement.h"
#include "data/journal.h"
#include "data/name_list.h"
#include "report.h"
#include "stale_unit.h"

namespace varnel::commands {
namespace {

// Reports what settling a journal did; false when the change must not go on.
bool settled(const data::Recovery& recovery) {
    switch (recovery.outcome) {
        case data::Recovery::Outcome::None:
            return true;
        case data::Recovery::Outcome::Undone:
        case data::Recovery::Outcome::Completed:
            report(Severity::Notice, textFromPath(recovery.message));
            return true;
        case data::Recovery::Outcome::LeftAlone:
            report(Severity::Problem,
                   textFromPath(recovery.message) + QStringLiteral(" Nothing was changed."));
            return false;
    }
    return false;
}

}  // namespace

ChangeResult makeChange(Editor& editor, const std::function<std::optional<UnitChange>()>& prepare,
                        MadeChange* made) {
    data::EquipmentFile& file = *editor.file();
    data::WriteLock lock;
    try {
        lock = file.lockForWriting();
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
        return ChangeResult::Refused;
    }
    // A change that another program, or an earlier run, left half done is settled first.
    const data::Recovery recovery = data::recoverChangeUnderLock(file.path());
    if (!settled(recovery)) {
        return ChangeResult::Refused;
    }
    if (recovery.outcome != data::Recovery::Outcome::None) {
        file.acceptLength();  // the recovery may have cut back what an interrupted change added
    }
    const std::optional<UnitChange> change = prepare();
    if (!change) {
        return ChangeResult::Refused;
    }

    // The new list is complete on disk before anything changes in place. When it cannot be
    // written, the values are still saved, and the message says the name was not.
    std::unique_ptr<data::FileReplacement> list;
    std::optional<QString> nameProblem;
    const std::string listPath =
        change->listEdit ? change->listEdit->path : nameListPath(editor.form());
    data::ListSplice splice;
    try {
        if (change->listEdit) {
            if (!change->listEdit->splice.empty()) {
                list = data::prepareSplice(listPath, change->listEdit->splice,
                                           change->listEdit->backwards, change->listEdit->doing);
            }
        } else {
            list =
                data::prepareName(listPath, change->unit, change->highest, change->name, &splice);
        }
    } catch (const data::Error& error) {
        if (change->listEdit) {
            report(Severity::Problem, textFromPath(error.what()));
            return ChangeResult::Refused;
        }
        nameProblem = textFromPath(error.what());
    }

    const auto status = data::systemFiles().statusOfPath(file.path());
    if (!status.ok() || !status.value.exists || status.value.identity != file.identity()) {
        report(
            Severity::Problem,
            textFromPath(file.path() + " was removed or replaced by another program after it was "
                                       "opened. Close it and open it again before changing it; "
                                       "nothing was changed."));
        return ChangeResult::Refused;
    }
    data::ChangeJournal journal(file.path(), status.value, change->description.toStdString());
    MadeChange done{
        change->description, change->unit,        {},       change->afterwards.has_value(),
        status.value.length, status.value.length, listPath, std::nullopt};
    try {
        const std::int64_t length = status.value.length;
        // The bytes a range overwrites, as far as the file reaches now.
        const auto oldBytes = [&](std::int64_t offset, std::int64_t count) {
            const auto kept = std::clamp<std::int64_t>(length - offset, 0, count);
            return file.readBytes(offset, static_cast<std::size_t>(kept));
        };
        const auto recordOld = [&](const UnitChange::Write& write) {
            auto before = oldBytes(write.offset, static_cast<std::int64_t>(write.bytes.size()));
            if (!before.empty()) {
                journal.willOverwrite(write.offset, before);
            }
            done.ranges.push_back({write.offset, std::move(before), write.bytes});
        };
        std::for_each(change->writes.begin(), change->writes.end(), recordOld);
        if (change->afterwards) {
            recordOld(*change->afterwards);
        }
        if (change->cutTo && *change->cutTo < length) {
            journal.willOverwrite(*change->cutTo,
                                  oldBytes(*change->cutTo, length - *change->cutTo));
        }
        if (list) {
            journal.willReplace(*list);
        }
        journal.begin();
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
        return ChangeResult::Refused;
    }

    // Until the new list takes the old one's place, the journal takes back what reached the file.
    const auto takeBack = [&](const QString& why) {
        const data::Recovery undo = data::recoverChangeUnderLock(file.path());
        file.acceptLength();
        const bool undone = undo.outcome == data::Recovery::Outcome::Undone;
        report(Severity::Problem,
               why + (undone ? QStringLiteral(" What reached the file was taken back: nothing was "
                                              "changed.")
                             : QLatin1Char(' ') + textFromPath(undo.message)));
        return ChangeResult::Refused;
    };
    try {
        for (const UnitChange::Write& write : change->writes) {
            file.writeBytes(write.offset, write.bytes);
        }
        file.syncToDisk();
        if (change->afterwards) {
            file.writeBytes(change->afterwards->offset, change->afterwards->bytes);
            file.syncToDisk();
        }
        if (change->cutTo && *change->cutTo < file.length()) {
            file.cutBackTo(*change->cutTo);
            file.syncToDisk();
        }
        done.lengthAfter = file.length();
    } catch (const data::Error& error) {
        return takeBack(textFromPath(error.what()));
    }

    if (list) {
        try {
            list->commit();
        } catch (const data::Error& error) {
            list.reset();  // its copy is removed; the list is as it was
            if (change->listEdit) {
                // Taking a change back or making it again is all or nothing: the record follows
                // the list back.
                return takeBack(textFromPath(error.what()));
            }
            nameProblem = textFromPath(error.what());
        }
    }
    bool doubtSaid = false;  // one word about the disk is enough
    if (list) {
        try {
            list->saveFolder();
        } catch (const data::NotDurableError& error) {
            report(Severity::Problem,
                   textFromPath(error.what()));  // the name is stored all the same
            doubtSaid = true;
        }
    }
    try {
        journal.commit();
    } catch (const data::NotDurableError& error) {
        if (!doubtSaid) {
            report(Severity::Problem, textFromPath(error.what()));
        }
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
    }
    if (list && !splice.empty() && !change->listEdit) {
        done.list = std::move(splice);
    }
    if (made != nullptr) {
        *made = std::move(done);
    }
    if (nameProblem) {
        noteUnitWritten(editor, change->unit);  // no Read follows to take in what is on disk
        report(Severity::Problem,
               QStringLiteral("The values of unit %1 were saved, but its name was not: %2")
                   .arg(change->unit)
                   .arg(*nameProblem));
        return ChangeResult::ValuesOnly;
    }
    return ChangeResult::Done;
}

}  // namespace varnel::commands
