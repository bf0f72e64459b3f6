#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "form_access.h"

namespace varnel::commands {

// What the last Read read from the files for the unit it showed, byte for byte. Another program
// may change the unit afterwards; a Save over it compares first, so as not to undo that change
// unseen.
struct StoredUnit {
    // The record as it stood, a last record that lacks its final bytes as short; nullopt when
    // Read did not read it (Freeze All shows none of its values).
    std::optional<std::vector<std::uint8_t>> record;
    // The name list read, and the unit's line in it (nullopt: the list had no such line).
    // nameRead is false when the list could not be read.
    std::string listPath;
    bool nameRead = false;
    std::optional<std::string> nameLine;
    friend bool operator==(const StoredUnit&, const StoredUnit&) = default;
};

// What the last Read showed: the unit it read, and the value it put into each control it filled
// from that unit's record and name. It answers one question: does this control still hold the
// value Read showed for unit x? A control the user has typed into or ticked since does not, and
// neither does one that Read left alone for this unit (Freeze and Freeze All carry values over
// from another unit): such values are the user's, not the unit's.
//
// A change is noticed as it happens, from the control's own change signal: a text typed over
// with the same words is still the user's. That matters where the form shows what is not the
// unit's: for a class code without a name UNIT keeps the previous unit's class, and typing that
// very name must give this unit that class. The value is compared as well, so a change that
// slipped past the signal (signals blocked) still counts.
class ShownValues {
  public:
    explicit ShownValues(const FormAccess& form) : form_(form) {}
    ShownValues(const ShownValues&) = delete;
    ShownValues& operator=(const ShownValues&) = delete;

    // Read of unit starts: what any earlier Read showed no longer counts.
    void startRead(std::int64_t unit);
    // Read has just filled the text field or check box control from the unit's record or name.
    void filled(controls::Control control);
    // Nothing shown counts any more (another file, or none).
    void forget();

    // Whether control holds the value the last Read put there for unit, unchanged since.
    bool asRead(controls::Control control, std::int64_t unit) const;

    // Whether the user has changed control since the last Read filled it: it holds another value
    // now. False for a control that Read did not fill.
    bool edited(controls::Control control) const;
    // Called whenever a control that a Read has filled changes, by the user or by a command.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // The unit the last Read showed, if any.
    std::optional<std::int64_t> unit() const { return unit_; }

    // What the last Read read of its unit from the files, or what is stored now once a change by
    // another program has been found and reported.
    const StoredUnit& stored() const { return stored_; }
    void setStored(StoredUnit stored) { stored_ = std::move(stored); }

  private:
    struct Watched {
        QPointer<QWidget> control;
        bool isTick = false;
    };
    struct Shown {
        QString value;
        bool changed = false;
    };
    const Watched& watched(controls::Control control);
    static QString valueOf(const Watched& watched);

    const FormAccess& form_;
    std::optional<std::int64_t> unit_;
    StoredUnit stored_;
    QHash<QByteArray, Shown> shown_;
    // Each control is looked up and connected once, at the first Read that fills it.
    QHash<QByteArray, Watched> watched_;
    std::function<void()> onChange_;
    // Owns the connections to the controls' change signals, so they end with this object.
    QObject receiver_;
};

}  // namespace varnel::commands
