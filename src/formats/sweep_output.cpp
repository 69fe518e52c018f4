// CSV rows and JSON objects of a sweep's points.
#include "formats/sweep_output.h"

#include "formats/csv.h"
#include "numeric/number_text.h"
#include "study/runner.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <span>

namespace kaskad::formats {

namespace {

void appendColumnCell(std::string& text, const study::Column& column, const study::PointRows& point, std::size_t row)
{
    const ReactorResult* reactor = point.reactor(row);
    const RunError* error = point.error();
    switch (column.kind) {
    case study::ColumnKind::field:
        appendCsvCell(text, point.fields[column.field]);
        break;
    case study::ColumnKind::reactor:
        if (reactor) {
            char buffer[12];
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, reactor->reactor()).ptr);
        }
        break;
    case study::ColumnKind::quantity:
        if (reactor && reactor->has(column.pane))
            appendNumber(text, reactor->value(column.pane));
        break;
    case study::ColumnKind::errorKind:
        if (error)
            appendCsvCell(text, error->kind);
        break;
    case study::ColumnKind::errorMessage:
        if (error)
            appendCsvCell(text, error->message);
        break;
    case study::ColumnKind::bound:
        if (!point.criterion->bounds.empty())
            appendCsvBoolean(text, bool(point.criterion->bounds[column.bound]));
        break;
    case study::ColumnKind::meetsCriterion:
        appendCsvBoolean(text, point.criterion->meets);
        break;
    case study::ColumnKind::criterionMargin:
        if (point.criterion->margin)
            appendNumber(text, *point.criterion->margin);
        break;
    }
}

// The text last written, on this thread, for each column of each of the first
// reactors. Point after point of a sweep, the quantities that do not depend
// on the fields swept fastest (t and P, and those that depend only on slower
// fields) repeat their value at the same reactor: their text is copied, not
// formed again. A text is kept only once its value came twice in a row:
// reading back the bytes just written waits for the writes to land, a cost
// the values that change every point should not pay. 32 reactors of 12
// columns: 12 KB per thread.
class RepeatedNumberTexts {
public:
    // Writes value's text at out, as writeNumberText does with '.'; returns
    // the end of the text.
    char* write(char* out, std::int32_t reactor, std::size_t column, double value)
    {
        if (reactor < 1 || reactor > kReactors || column >= kColumns)
            return writeNumberText(out, value, '.');
        Entry& entry = entries_[std::size_t(reactor - 1)][column];
        const auto bits = std::bit_cast<std::uint64_t>(value);
        if (entry.length != 0 && entry.bits == bits) {
            std::memcpy(out, entry.text, sizeof entry.text);
            return out + entry.length;
        }
        char* end = writeNumberText(out, value, '.');
        const auto length = std::size_t(end - out);
        if (entry.seen && entry.bits == bits && length <= sizeof entry.text) {
            entry.length = static_cast<std::uint8_t>(length);
            std::memcpy(entry.text, out, sizeof entry.text);
        } else {
            entry.bits = bits;
            entry.seen = true;
            entry.length = 0;
        }
        return end;
    }

private:
    static constexpr std::int32_t kReactors = 32;
    static constexpr std::size_t kColumns = kPaneCount;
    struct Entry {
        std::uint64_t bits = 0;
        bool seen = false;       // bits holds the value last written
        std::uint8_t length = 0; // 0: no text kept
        char text[22] = {};
    };
    std::array<std::array<Entry, kColumns>, kReactors> entries_{};
};

thread_local RepeatedNumberTexts repeatedNumberTexts;

// The cells of a run of the reactor's columns, each after a comma but the
// first when it opens the row, made in one buffer: the bulk of a sweep's
// output.
void appendReactorCells(std::string& text, std::span<const CsvRowLayout::ReactorCell> run, const ReactorResult* reactor,
                        bool afterCells, RepeatedNumberTexts& repeated)
{
    char buffer[16 + kPaneCount * (1 + kNumberTextCapacity)];
    std::size_t used = 0;
    for (std::size_t k = 0; k < run.size(); ++k) {
        if (used + 1 + kNumberTextCapacity > sizeof buffer) {
            text.append(buffer, used);
            used = 0;
        }
        if (k > 0 || afterCells)
            buffer[used++] = ',';
        if (!reactor)
            continue;
        char* end = buffer + used;
        if (!run[k].pane)
            end = std::to_chars(end, end + 12, reactor->reactor()).ptr;
        else if (reactor->has(*run[k].pane))
            end = repeated.write(end, reactor->reactor(), k, reactor->value(*run[k].pane));
        used = std::size_t(end - buffer);
    }
    text.append(buffer, used);
}

} // namespace

CsvRowLayout::CsvRowLayout(const std::vector<study::Column>& columns) : sharedRuns_(1)
{
    bool inReactorRun = false;
    for (const study::Column& column : columns) {
        const bool ofReactor = column.kind == study::ColumnKind::reactor || column.kind == study::ColumnKind::quantity;
        if (ofReactor && !inReactorRun)
            reactorRuns_.emplace_back();
        if (!ofReactor && inReactorRun)
            sharedRuns_.emplace_back();
        inReactorRun = ofReactor;
        if (ofReactor)
            reactorRuns_.back().push_back(
                {column.kind == study::ColumnKind::quantity ? std::optional(column.pane) : std::nullopt});
        else
            sharedRuns_.back().push_back(&column);
    }
    if (inReactorRun)
        sharedRuns_.emplace_back();
    opensWithReactor_ = !columns.empty() && sharedRuns_.front().empty();
}

void CsvRowLayout::appendRows(std::string& text, const study::PointRows& point) const
{
    // The cells every row of the point shares are made once: the runs of them
    // before, between and after the reactor's own cells, with their commas.
    // They come one after another in one text, each run ending at its bound.
    thread_local std::string shared;
    thread_local std::vector<std::size_t> ends;
    shared.clear();
    ends.clear();
    bool afterCells = false;
    for (std::size_t r = 0; r < sharedRuns_.size(); ++r) {
        for (const study::Column* column : sharedRuns_[r]) {
            if (afterCells)
                shared += ',';
            appendColumnCell(shared, *column, point, 0);
            afterCells = true;
        }
        ends.push_back(shared.size());
        afterCells = afterCells || r < reactorRuns_.size();
    }
    const std::string_view cells = shared;
    RepeatedNumberTexts& repeated = repeatedNumberTexts;
    for (std::size_t row = 0; row < point.rowCount(); ++row) {
        for (std::size_t r = 0; r < reactorRuns_.size(); ++r) {
            const std::size_t begin = r == 0 ? 0 : ends[r - 1];
            text.append(cells.substr(begin, ends[r] - begin));
            appendReactorCells(text, reactorRuns_[r], point.reactor(row), r > 0 || !opensWithReactor_, repeated);
        }
        const std::size_t begin = ends.size() < 2 ? 0 : ends[ends.size() - 2];
        text.append(cells.substr(begin));
        text += '\n';
    }
}

void appendCsvRows(std::string& text, const std::vector<study::Column>& columns, const study::PointRows& point)
{
    CsvRowLayout(columns).appendRows(text, point);
}

void appendJsonPoint(std::string& json, ModelKind model, const study::PointRows& point)
{
    json += "{\"inputs\":";
    appendInputsJson(json, model, point.fields);
    json += ",\"reactors\":[";
    for (std::size_t r = 0; r < point.reactors.size(); ++r) {
        if (r > 0)
            json += ',';
        appendReactorJson(json, point.reactors[r]);
    }
    json += "],\"error\":";
    appendErrorJson(json, point.run);
    if (const std::optional<CriterionResult>& criterion = point.criterion) {
        json += ",\"criterion\":{";
        const auto bounds = criterionBounds(model);
        for (std::size_t b = 0; b < bounds.size(); ++b) {
            if (b > 0)
                json += ',';
            appendJsonString(json, bounds[b].label);
            json += criterion->bounds.empty() ? ":null" : criterion->bounds[b] ? ":true" : ":false";
        }
        json += "},\"meets_criterion\":";
        json += criterion->meets ? "true" : "false";
        json += ",\"criterion_margin\":";
        if (criterion->margin)
            appendNumber(json, *criterion->margin);
        else
            json += "null";
    }
    json += '}';
}

SweepWriter::SweepWriter(std::ostream& out, const study::SweepPlan& plan, SweepOutputOptions options)
    : out_(out), rows_(plan, options.rows), options_(options), csvLayout_(rows_.columns()), best_(options.rows.best)
{}

OutletCsvRows::OutletCsvRows(ModelKind model)
    : rows_(model, study::RowOptions{.outletOnly = true, .criterion = true}), layout_(rows_.columns())
{}

std::string OutletCsvRows::header() const
{
    std::vector<std::string> names;
    for (const study::Column& column : rows_.columns())
        names.push_back(column.name);
    return csvHeaderLine(names);
}

void OutletCsvRows::appendPoint(std::string& text, std::size_t index, const FieldTexts& fields, RunView run) const
{
    if (const std::optional<study::PointRows> point = rows_.point(index, fields, run))
        layout_.appendRows(text, *point);
}

void SweepWriter::begin()
{
    if (options_.format == OutputFormat::json) {
        out_ << "{\"model\":\"" << modelName(rows_.plan().model()) << "\",\"points\":[";
    } else if (options_.header) {
        std::vector<std::string> names;
        for (const study::Column& column : rows_.columns())
            names.push_back(column.name);
        out_ << csvHeaderLine(names);
    }
}

std::optional<FormattedPoint> SweepWriter::format(std::size_t index, RunView run) const
{
    const std::optional<study::PointRows> point = rows_.point(index, run);
    if (!point)
        return std::nullopt;
    FormattedPoint formatted;
    formatted.margin = point->margin();
    if (rows_.options().best == 0)
        formatted.text = pointText(*point);
    return formatted;
}

std::string SweepWriter::pointText(const study::PointRows& point) const
{
    std::string text = spareText();
    if (options_.format == OutputFormat::json) {
        appendJsonPoint(text, rows_.plan().model(), point);
    } else {
        // A row: 12 values of at most 23 characters with their commas, and
        // about 160 for the field texts, the error and criterion cells; a
        // guess that spares most reallocations, not a bound.
        text.reserve(point.rowCount() * (12 * 24 + 160));
        csvLayout_.appendRows(text, point);
    }
    return text;
}

void SweepWriter::write(std::size_t index, std::optional<FormattedPoint>&& point)
{
    if (!point)
        return;
    const std::size_t best = rows_.options().best;
    if (best == 0) {
        writeText(point->text);
        keepSpare(std::move(point->text));
        return;
    }
    best_.offer(index, *point->margin);
}

void SweepWriter::writeText(const std::string& text)
{
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? ",\n" : "\n");
    out_ << text;
    wrotePoint_ = true;
}

std::string SweepWriter::spareText() const
{
    const std::lock_guard lock(spareMutex_);
    if (spareTexts_.empty())
        return {};
    std::string text = std::move(spareTexts_.back());
    spareTexts_.pop_back();
    return text;
}

void SweepWriter::keepSpare(std::string&& text)
{
    // About as many as the points in flight between two threads, and none
    // grown beyond 64 KB: at most 4 MB kept.
    constexpr std::size_t kSpareTexts = 64;
    constexpr std::size_t kLargestSpare = std::size_t(64) << 10;
    if (text.capacity() > kLargestSpare)
        return;
    text.clear();
    const std::lock_guard lock(spareMutex_);
    if (spareTexts_.size() < kSpareTexts)
        spareTexts_.push_back(std::move(text));
}

void SweepWriter::point(std::size_t index, RunView run) { write(index, format(index, run)); }

void SweepWriter::end()
{
    for (const std::size_t index : best_.indices()) {
        const RunRecord run = study::runPoint(rows_.plan(), index);
        writeText(pointText(*rows_.point(index, run)));
    }
    best_ = study::BestPoints(rows_.options().best);
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? "\n]}\n" : "]}\n");
    out_.flush();
}

std::size_t writeSweep(SweepWriter& writer, study::PointRange points, const SweepWriting& writing)
{
    const auto checkOutput = [&writing] {
        if (writing.checkOutput)
            writing.checkOutput();
    };
    writer.begin();
    const std::size_t run = study::runSweepProducing<std::optional<FormattedPoint>>(
        writer.plan(), points, writing.jobs,
        [&writer](std::size_t index, RunView run) { return writer.format(index, run); },
        [&](std::size_t index, std::optional<FormattedPoint>&& point) {
            writer.write(index, std::move(point));
            checkOutput();
        },
        writing.stop, writing.progress);
    writer.end();
    checkOutput();
    return run;
}

} // namespace kaskad::formats
