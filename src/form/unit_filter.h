#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The unit table's filter: what the user types above the table, as terms that all must hold.
//   tiger                a plain word: the name holds it, in any case, anywhere
//   "king tiger"         quoted words count as one
//   cost>=200            a column, an operator and a value: =, !=, <, <=, >, >= and : (holds)
//   class:tank           for a text column : means "holds", = and != compare whole texts, all
//   nation=Germany       in any case; a column is named by its header, in any case, with blanks
//   soft>10              and dots left out ("airatt", "grdef"), or by the start of it when only
//   name:"Tiger I"       one header starts so ("nation" for "Nationality")
//   changed              only the units that differ (from the file compared, or else from the
//                        file as it was opened)
// A numeric column compares numbers; a value that is no whole number there is a bad term. Bad
// terms are listed in problems() and left out; the good ones still filter.
namespace varnel::form {

// What the filter looks at: the table's columns and cells, by row (a unit's row, not a place in
// the sorted view).
class FilterSource {
  public:
    virtual ~FilterSource() = default;
    virtual int columnCount() const = 0;
    virtual QString columnLabel(int column) const = 0;
    virtual bool columnIsNumeric(int column) const = 0;
    // The column plain words are looked for in.
    virtual int nameColumn() const = 0;
    // A numeric column's value, or a text column's text, as the table shows it.
    virtual std::int64_t number(int row, int column) const = 0;
    virtual QString text(int row, int column) const = 0;
    // Whether the row's unit differs, for the term "changed".
    virtual bool rowDiffers(int row) const = 0;
};

class UnitFilter {
  public:
    // The filter that lets every row pass.
    UnitFilter() = default;
    static UnitFilter parse(const QString& typed, const FilterSource& source);

    bool accepts(const FilterSource& source, int row) const;
    bool passesEverything() const { return terms_.empty(); }
    // One line for each bad term: the term, what is wrong, and what is accepted.
    const QStringList& problems() const { return problems_; }

  private:
    enum class Op { Holds, Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, Changed };
    struct Term {
        int column = -1;
        Op op = Op::Holds;
        QString text;             // for text columns, folded to lower case; for ":", the digits
        std::int64_t number = 0;  // for numeric columns
    };
    std::vector<Term> terms_;
    // The terms before this one are "changed" or on numeric columns; the text terms follow.
    std::size_t cheapTerms_ = 0;
    QStringList problems_;
};

}  // namespace varnel::form
