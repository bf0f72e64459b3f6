#include "unit_filter.h"

#include <QCoreApplication>
#include <QLatin1StringView>
#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace varnel::form {
namespace {

struct FilterWords {
    Q_DECLARE_TR_FUNCTIONS(UnitFilter)
};

// One term as typed: its text with the quotes taken out, and which of its characters stood
// inside quotes (those never act as operators).
struct Piece {
    QString typed;
    QString text;
    std::vector<bool> quoted;
    bool hadQuotes = false;
};

std::vector<Piece> splitIntoPieces(const QString& typed) {
    std::vector<Piece> pieces;
    Piece current;
    bool inQuotes = false;
    bool started = false;
    const auto finish = [&] {
        if (started) {
            pieces.push_back(std::move(current));
        }
        current = Piece();
        started = false;
    };
    for (const QChar c : typed) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            current.typed += c;
            current.hadQuotes = true;
            started = true;
        } else if (c.isSpace() && !inQuotes) {
            finish();
        } else {
            current.typed += c;
            current.text += c;
            current.quoted.push_back(inQuotes);
            started = true;
        }
    }
    finish();
    return pieces;
}

// A header or a typed label as they are matched: lower case, without blanks and dots.
QString labelKey(const QString& label) {
    QString key;
    key.reserve(label.size());
    for (const QChar c : label) {
        if (!c.isSpace() && c != u'.') {
            key += c.toLower();
        }
    }
    return key;
}

// A whole number: an optional minus, then digits 0 to 9 only.
bool isWholeNumber(const QString& value) {
    const qsizetype start = value.startsWith(u'-') ? 1 : 0;
    if (value.size() == start) {
        return false;
    }
    return std::all_of(value.begin() + start, value.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A character as the filter compares it: lower case, with a quick way for plain ASCII.
char16_t folded(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    }
    return QChar::toLower(c);
}

// Whether the text holds the already folded word, in any case. QString::contains with
// Qt::CaseInsensitive does much the same but takes several times as long, and this runs for every
// row on every key typed.
bool holdsFolded(QStringView text, QStringView word) {
    const qsizetype last = text.size() - word.size();
    for (qsizetype start = 0; start <= last; ++start) {
        qsizetype matched = 0;
        while (matched < word.size() &&
               folded(text[start + matched].unicode()) == word[matched].unicode()) {
            ++matched;
        }
        if (matched == word.size()) {
            return true;
        }
    }
    return false;
}

// A typed value as text terms keep it: folded character by character, as the cells are.
QString foldedText(const QString& value) {
    QString text = value;
    for (QChar& c : text) {
        c = QChar(folded(c.unicode()));
    }
    return text;
}

QString columnList(const FilterSource& source) {
    QStringList labels;
    for (int column = 0; column < source.columnCount(); ++column) {
        labels << source.columnLabel(column);
    }
    return labels.join(QStringLiteral(", "));
}

}  // namespace

UnitFilter UnitFilter::parse(const QString& typed, const FilterSource& source) {
    UnitFilter filter;
    std::vector<QString> keys;
    for (int column = 0; column < source.columnCount(); ++column) {
        keys.push_back(labelKey(source.columnLabel(column)));
    }
    const auto bad = [&filter](const Piece& piece, const QString& why) {
        filter.problems_ << FilterWords::tr("%1: %2").arg(piece.typed, why);
    };

    for (const Piece& piece : splitIntoPieces(typed)) {
        // The first operator outside quotes; "!" alone is no operator, and ">=" is one, not ">"
        // followed by a value starting with "=".
        qsizetype at = -1;
        qsizetype length = 0;
        Op op = Op::Holds;
        for (qsizetype i = 0; i < piece.text.size() && at < 0; ++i) {
            if (piece.quoted[i]) {
                continue;
            }
            const bool equalsNext =
                i + 1 < piece.text.size() && !piece.quoted[i + 1] && piece.text[i + 1] == u'=';
            const QChar c = piece.text[i];
            if (c == u'>') {
                op = equalsNext ? Op::GreaterOrEqual : Op::Greater;
            } else if (c == u'<') {
                op = equalsNext ? Op::LessOrEqual : Op::Less;
            } else if (c == u'!' && equalsNext) {
                op = Op::NotEqual;
            } else if (c == u'=') {
                op = Op::Equal;
            } else if (c == u':') {
                op = Op::Holds;
            } else {
                continue;
            }
            at = i;
            length = (equalsNext && c != u'=' && c != u':') ? 2 : 1;
        }

        if (at < 0) {
            if (piece.text.isEmpty()) {
                continue;  // a pair of quotes with nothing inside holds for every unit
            }
            if (!piece.hadQuotes && piece.text.compare(u"changed", Qt::CaseInsensitive) == 0) {
                filter.terms_.push_back(Term{-1, Op::Changed, {}, 0});
                continue;
            }
            const int nameColumn = source.nameColumn();
            if (nameColumn < 0 || nameColumn >= source.columnCount()) {
                bad(piece, FilterWords::tr("the table has no name column to look for words in; "
                                           "name a column, as in class:tank"));
                continue;
            }
            filter.terms_.push_back(Term{nameColumn, Op::Holds, foldedText(piece.text), 0});
            continue;
        }

        const QString opText = piece.text.mid(at, length);
        const QString label = piece.text.left(at);
        const QString value = piece.text.mid(at + length);
        const QString key = labelKey(label);
        if (key.isEmpty()) {
            bad(piece, FilterWords::tr("no column before %1; name one first, as in %2")
                           .arg(opText, QStringLiteral("cost") + opText + QStringLiteral("200")));
            continue;
        }

        int column = -1;
        QStringList couldBe;
        for (int c = 0; c < static_cast<int>(keys.size()); ++c) {
            if (keys[c] == key) {
                column = c;
                break;
            }
        }
        if (column < 0) {
            for (int c = 0; c < static_cast<int>(keys.size()); ++c) {
                if (keys[c].startsWith(key)) {
                    couldBe << source.columnLabel(c);
                    column = c;
                }
            }
            if (couldBe.isEmpty()) {
                bad(piece, FilterWords::tr("no column is called %1; the columns are %2")
                               .arg(label, columnList(source)));
                continue;
            }
            if (couldBe.size() > 1) {
                bad(piece, FilterWords::tr("%1 could be %2; type more of the column's name")
                               .arg(label, couldBe.join(QStringLiteral(" or "))));
                continue;
            }
        }

        const QString header = source.columnLabel(column);
        if (value.isEmpty()) {
            const QString example =
                source.columnIsNumeric(column) ? QStringLiteral("10") : QStringLiteral("x");
            bad(piece, FilterWords::tr("nothing after %1; give %2 a value, as in %3")
                           .arg(opText, header, label + opText + example));
            continue;
        }

        Term term{column, op, {}, 0};
        if (source.columnIsNumeric(column)) {
            bool fits = false;
            if (isWholeNumber(value)) {
                term.number = value.toLongLong(&fits);
            }
            if (!fits) {
                bad(piece, FilterWords::tr("%1 takes a whole number, such as %2 or %3")
                               .arg(header, label + opText + QStringLiteral("10"),
                                    label + opText + QStringLiteral("-5")));
                continue;
            }
            term.text = value;  // for ":", the digits looked for in the number
        } else {
            term.text = foldedText(value);
        }
        filter.terms_.push_back(std::move(term));
    }

    // The cheap tests first: a row that fails one of them is not looked at further.
    const auto cheapEnd =
        std::stable_partition(filter.terms_.begin(), filter.terms_.end(), [&source](const Term& t) {
            return t.op == Op::Changed || source.columnIsNumeric(t.column);
        });
    filter.cheapTerms_ = static_cast<std::size_t>(cheapEnd - filter.terms_.begin());
    return filter;
}

bool UnitFilter::accepts(const FilterSource& source, int row) const {
    for (std::size_t i = 0; i < terms_.size(); ++i) {
        const Term& term = terms_[i];
        if (term.op == Op::Changed) {
            if (!source.rowDiffers(row)) {
                return false;
            }
            continue;
        }
        if (i < cheapTerms_) {  // a numeric column's term
            const std::int64_t number = source.number(row, term.column);
            bool holds = false;
            switch (term.op) {
                case Op::Holds: {
                    char digits[24];
                    const auto written = std::to_chars(digits, digits + sizeof digits, number);
                    holds = QLatin1StringView(digits, written.ptr - digits).contains(term.text);
                    break;
                }
                case Op::Equal:
                    holds = number == term.number;
                    break;
                case Op::NotEqual:
                    holds = number != term.number;
                    break;
                case Op::Less:
                    holds = number < term.number;
                    break;
                case Op::LessOrEqual:
                    holds = number <= term.number;
                    break;
                case Op::Greater:
                    holds = number > term.number;
                    break;
                case Op::GreaterOrEqual:
                    holds = number >= term.number;
                    break;
                case Op::Changed:
                    break;
            }
            if (!holds) {
                return false;
            }
            continue;
        }
        const QString text = source.text(row, term.column);
        bool holds = false;
        if (term.op == Op::Holds) {
            holds = holdsFolded(text, term.text);
        } else {
            const int order = QString::compare(text, term.text, Qt::CaseInsensitive);
            switch (term.op) {
                case Op::Equal:
                    holds = order == 0;
                    break;
                case Op::NotEqual:
                    holds = order != 0;
                    break;
                case Op::Less:
                    holds = order < 0;
                    break;
                case Op::LessOrEqual:
                    holds = order <= 0;
                    break;
                case Op::Greater:
                    holds = order > 0;
                    break;
                case Op::GreaterOrEqual:
                    holds = order >= 0;
                    break;
                case Op::Holds:
                case Op::Changed:
                    break;
            }
        }
        if (!holds) {
            return false;
        }
    }
    return true;
}

}  // namespace varnel::form
