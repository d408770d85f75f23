// Tables: rows and cells read from the markup, cells placed in a grid (spans clipped to it),
// columns and rows sized by span, and the grid drawn with fills, frames and cell contents.

#include <algorithm>
#include <numeric>

#include "htmltip/portable/HtmlPass.h"
#include "htmltip/portable/HtmlResources.h"

namespace htmltip {

namespace {

struct CellText {
    std::string params;
    std::size_t begin = 0; // content
    std::size_t end = 0;
};

struct RowText {
    std::string params;
    std::vector<CellText> cells;
};

struct TableText {
    std::string params;
    std::vector<RowText> rows;
};

// Rows from <tr> to </tr>, cells from <td> to </td> (or to the next cell, row or the table's
// end); tags of nested tables belong to their cell. Cells outside any row are ignored, and rows
// and cells beyond the grid's limits are not kept.
TableText ReadTable(const std::string& text, std::size_t begin, std::size_t end)
{
    TableText table;
    CHtmlScanner scanner(text, begin, end);
    HtmlToken token;
    if (scanner.Next(token) && token.kind == HtmlToken::kTag)
        table.params = token.params;
    bool inRow = false;
    bool inCell = false;
    bool keepRow = false;
    CellText cell;
    long nested = 0;
    auto closeCell = [&](std::size_t at) {
        if (!inCell)
            return;
        inCell = false;
        cell.end = at;
        if (keepRow && table.rows.back().cells.size() < static_cast<std::size_t>(kMaxTableColumns))
            table.rows.back().cells.push_back(cell);
    };
    while (scanner.Next(token)) {
        if (token.kind != HtmlToken::kTag)
            continue;
        if (token.name == "table") {
            if (!token.closing) {
                ++nested;
            } else if (nested > 0) {
                --nested;
            } else {
                closeCell(token.begin);
                return table;
            }
            continue;
        }
        if (nested > 0)
            continue;
        if (token.name == "tr") {
            closeCell(token.begin);
            inRow = !token.closing;
            keepRow = false;
            if (inRow && table.rows.size() < static_cast<std::size_t>(kMaxTableRows)) {
                table.rows.push_back(RowText{token.params, {}});
                keepRow = true;
            }
        } else if (token.name == "td") {
            closeCell(token.begin);
            if (!token.closing && inRow) {
                inCell = true;
                cell.params = token.params;
                cell.begin = scanner.Position();
            }
        }
    }
    closeCell(end);
    return table;
}

struct Placement {
    std::size_t row = 0;
    std::size_t cell = 0;
    int column = 0;
    int columnSpan = 1;
    int rowSpan = 1;
};

int SpanOf(const std::string& params, const char* name)
{
    int span = 1;
    for (const HtmlAttribute& attribute : ScanAttributes(params)) {
        if (attribute.name == name)
            span = Clamp(ParseInteger(attribute.value), 1, kMaxCount);
    }
    return span;
}

// Each cell takes the next column of its row not covered by a span from the left or above; spans
// are clipped to the grid and to the cells already placed, so no two cells overlap.
std::vector<Placement> PlaceCells(const TableText& table)
{
    std::vector<Placement> placements;
    const std::size_t rows = table.rows.size();
    std::vector<char> taken(rows * kMaxTableColumns, 0);
    auto at = [&](std::size_t row, int column) -> char& { return taken[row * kMaxTableColumns + column]; };
    for (std::size_t r = 0; r < rows; ++r) {
        int column = 0;
        const std::vector<CellText>& cells = table.rows[r].cells;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            while (column < kMaxTableColumns && at(r, column))
                ++column;
            if (column >= kMaxTableColumns)
                break;
            Placement placement;
            placement.row = r;
            placement.cell = c;
            placement.column = column;
            int columnSpan = std::min(SpanOf(cells[c].params, "colspan"), kMaxTableColumns - column);
            for (int j = 1; j < columnSpan; ++j) {
                if (at(r, column + j)) {
                    columnSpan = j;
                    break;
                }
            }
            placement.columnSpan = columnSpan;
            placement.rowSpan = static_cast<int>(std::min<std::size_t>(SpanOf(cells[c].params, "rowspan"), rows - r));
            for (int dr = 0; dr < placement.rowSpan; ++dr) {
                for (int dc = 0; dc < columnSpan; ++dc)
                    at(r + dr, column + dc) = 1;
            }
            placements.push_back(placement);
            column += columnSpan;
        }
    }
    return placements;
}

enum TablePart {
    kPartTable,
    kPartRow,
    kPartCell
};

int EffectId(const std::string& value)
{
    static const char* const names[] = {
        "solid",     "hgradient", "vgradient", "hcgradient", "vcgradient", "3hgradient", "3vgradient", "noise",
        "diagshade", "hshade",    "vshade",    "hbump",      "vbump",      "softbump",   "hardbump",   "metal"};
    if (value == "transparent")
        return -1;
    for (int id = 0; id < static_cast<int>(sizeof(names) / sizeof(names[0])); ++id) {
        if (value == names[id])
            return id;
    }
    return Clamp(ParseInteger(value), -1, kMaxCount);
}

void ApplyTableAttributes(HtmlStyle& style, const std::string& params, TablePart part, const StyleContext& context)
{
    const bool enabled = context.colors.enabled;
    for (const HtmlAttribute& attribute : ScanAttributes(params)) {
        const std::string& name = attribute.name;
        const std::string& value = attribute.value;
        if (part == kPartTable && name == "cellpadding") {
            style.cellPadding = Clamp(ParseSize(value, style.cellPadding, context.sizes), 0, kMaxLength);
        } else if (part == kPartTable && name == "cellspacing") {
            style.cellSpacing = Clamp(ParseSize(value, style.cellSpacing, context.sizes), 0, kMaxLength);
        } else if (part == kPartTable && name == "background") {
            style.background = value;
        } else if (name == "border") {
            SetBorderWidth(style, ParseSize(value, style.borderWidth, context.sizes));
        } else if (name == "borderstyle") {
            const int borderStyle = ParseBorderStyleWord(value);
            if (borderStyle >= 0)
                SetBorderStyle(style, borderStyle);
        } else if (name == "align") {
            const int align = ParseHorizontalAlign(value);
            if (align >= 0)
                style.hAlign = align;
        } else if (name == "valign") {
            const int align = ParseVerticalAlign(value);
            if (align >= 0)
                style.vAlign = align;
        } else if (name == "width") {
            style.width = Clamp(ParseSize(value, style.width, context.sizes), 0, kMaxLength);
        } else if (name == "height") {
            style.height = Clamp(ParseSize(value, style.height, context.sizes), 0, kMaxLength);
        } else if (!enabled) {
            continue;
        } else if (name == "bordercolor") {
            style.borderLight = style.borderDark = ParseColor(value, style.borderLight, context.colors);
        } else if (name == "bordercolorlight") {
            style.borderLight = ParseColor(value, style.borderLight, context.colors);
        } else if (name == "bordercolordark") {
            style.borderDark = ParseColor(value, style.borderDark, context.colors);
        } else if (name == "bgcolor") {
            style.bkColor = ParseColor(value, style.bkColor, context.colors);
            if (style.bkEffect < 0)
                style.bkEffect = 0;
        } else if (name == "bgmidcolor") {
            style.bkMidColor = ParseColor(value, style.bkMidColor, context.colors);
        } else if (name == "bgendcolor") {
            style.bkEndColor = ParseColor(value, style.bkEndColor, context.colors);
        } else if (name == "bgeffect") {
            style.bkEffect = EffectId(value);
        }
    }
    if (!enabled)
        style.borderLight = style.borderDark = context.colors.disabledColor;
    if (part != kPartTable && style.borderWidth > 0)
        style.borderWidth = 1;
    if (style.borderStyle != kBorderNone && style.borderStyle != kBorderSolid && style.borderWidth > 0)
        style.borderWidth = 1;
    if (style.borderStyle == kBorderNone || style.borderWidth == 0) {
        style.borderStyle = kBorderNone;
        style.borderWidth = 0;
    }
}

// Widens the lines (columns or rows) that cells span, smallest spans first: one line takes the
// cell's size; a span shares what its lines lack equally, the remainder to its last line.
void SizeLines(std::vector<int>& sizes, std::vector<char>* fixed, const std::vector<Placement>& placements,
               const std::vector<TableCellRecord>& cells, bool columns)
{
    std::vector<std::size_t> order(placements.size());
    std::iota(order.begin(), order.end(), 0);
    auto spanOf = [&](std::size_t i) { return columns ? placements[i].columnSpan : placements[i].rowSpan; };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return spanOf(a) < spanOf(b); });
    for (std::size_t i : order) {
        const int first = columns ? placements[i].column : static_cast<int>(placements[i].row);
        const int span = spanOf(i);
        const int need = columns ? cells[i].width : cells[i].height;
        long long sum = 0;
        for (int j = first; j < first + span; ++j)
            sum += sizes[j];
        if (sum < need) {
            const long long lack = need - sum;
            for (int j = first; j < first + span; ++j)
                sizes[j] = Clamp(sizes[j] + lack / span, 0, kMaxCoordinate);
            sizes[first + span - 1] = Clamp(sizes[first + span - 1] + lack % span, 0, kMaxCoordinate);
        }
        if (fixed && cells[i].fixed) {
            for (int j = first; j < first + span; ++j)
                (*fixed)[j] = 1;
        }
    }
}

// Outer extent of a table across its lines: spacing before, between and after the lines and one
// pixel between neighbours.
long long TableExtent(const std::vector<int>& sizes, int spacing)
{
    long long extent = spacing + static_cast<long long>(sizes.size()) - 1;
    for (int size : sizes)
        extent += static_cast<long long>(size) + spacing;
    return extent < 0 ? 0 : extent;
}

// Where each line starts (its left or top) from the inside edge.
std::vector<int> LineStarts(const std::vector<int>& sizes, int inside, int spacing)
{
    std::vector<int> starts(sizes.size() + 1);
    long long at = static_cast<long long>(inside) + spacing;
    for (std::size_t i = 0; i <= sizes.size(); ++i) {
        starts[i] = Clamp(at, -kMaxCoordinate, kMaxCoordinate);
        if (i < sizes.size())
            at += static_cast<long long>(sizes[i]) + spacing + 1;
    }
    return starts;
}

} // namespace

Size CHtmlPass::LayoutTable(const std::string& text, std::size_t begin, std::size_t end, int left, int top, int right,
                            int depth)
{
    const TableText table = ReadTable(text, begin, end);
    const std::vector<Placement> placements = PlaceCells(table);

    const HtmlStyle saved = m_style;
    const std::size_t savedDepth = m_stack.Size();
    Push("table");
    ApplyNamed("table");
    ApplyTableAttributes(m_style, table.params, kPartTable, Context());
    Reselect();
    const HtmlStyle tableStyle = m_style;
    const int spacing = tableStyle.cellSpacing;
    const int frame = tableStyle.borderStyle == kBorderDouble ? 3 : tableStyle.borderWidth;

    TableRecord* record = nullptr;
    std::size_t recordIndex = m_tableIndex++;
    if (m_measuring) {
        recordIndex = m_records.tables.size();
        m_records.tables.emplace_back();
        m_records.tables.back().cells.resize(placements.size());
    } else if (recordIndex < m_records.tables.size()) {
        ++m_report.tablesRead;
    } else {
        // Nothing was measured for it: it is not drawn.
        m_style = saved;
        m_stack.Truncate(savedDepth);
        Reselect();
        return Size{};
    }

    // Column starts and widths of the drawing pass (measuring fills them at the end).
    std::vector<int> columnWidths;
    std::vector<int> columnStarts;
    std::vector<int> rowStarts;
    std::vector<int> rowHeights;
    Rect tableRect;
    if (!m_measuring) {
        record = &m_records.tables[recordIndex];
        columnWidths = record->columnWidths;
        int width = record->width;
        const int available = right - left;
        if (width < available) {
            // The extra width goes to the columns that are not fixed, one share at a time.
            int lack = available - width;
            int open = static_cast<int>(std::count(record->columnFixed.begin(), record->columnFixed.end(), 0));
            for (std::size_t c = 0; c < columnWidths.size() && open > 0; ++c) {
                if (record->columnFixed[c])
                    continue;
                const int share = lack / open;
                columnWidths[c] += share;
                lack -= share;
                --open;
            }
            width = available - lack;
        }
        int x = left;
        if (width < available && tableStyle.hAlign == kAlignCenter)
            x += (available - width) / 2;
        else if (width < available && tableStyle.hAlign == kAlignRight)
            x += available - width;
        tableRect = Rect{x, top, AddClamped(x, width), AddClamped(top, record->height)};
        if (tableStyle.bkEffect >= 0) {
            m_canvas.FillEffect(tableRect, tableStyle.bkEffect, tableStyle.bkColor, tableStyle.bkMidColor,
                                tableStyle.bkEndColor, 5);
        } else if (!tableStyle.background.empty()) {
            const ResourceRef background = BackgroundReference(tableStyle.background);
            if (background.origin != ResourceRef::kNone)
                m_canvas.TileImage(background, tableRect);
        }
        if (tableStyle.borderWidth > 0)
            m_canvas.DrawFrame(tableRect, tableStyle.borderLight, tableStyle.borderDark, tableStyle.borderStyle,
                               tableStyle.borderWidth);
        rowHeights = record->rowHeights;
        columnStarts = LineStarts(columnWidths, tableRect.left + frame, spacing);
        rowStarts = LineStarts(rowHeights, tableRect.top + frame, spacing);
    }

    // Cells in the order they were placed, each in its row's style.
    std::size_t rowOfStyle = table.rows.size();
    HtmlStyle rowStyle;
    for (std::size_t p = 0; p < placements.size(); ++p) {
        const Placement& placement = placements[p];
        const RowText& row = table.rows[placement.row];
        const CellText& cellText = row.cells[placement.cell];
        if (placement.row != rowOfStyle) {
            rowOfStyle = placement.row;
            m_style = tableStyle;
            m_stack.Truncate(savedDepth + 1);
            Push("tr");
            m_style.width = m_style.height = 0;
            ApplyNamed("tr");
            ApplyTableAttributes(m_style, row.params, kPartRow, Context());
            rowStyle = m_style;
        }
        m_style = rowStyle;
        m_stack.Truncate(savedDepth + 2);
        Push("td");
        m_style.width = m_style.height = 0;
        ApplyNamed("td");
        ApplyTableAttributes(m_style, cellText.params, kPartCell, Context());
        Reselect();
        const HtmlStyle cellStyle = m_style;
        const int inset = std::min(cellStyle.borderWidth + cellStyle.cellPadding, kMaxLength);

        if (m_measuring) {
            const int wrapWidth = std::max(0, right - left - 2 * inset);
            const Size content =
                LayoutDocument(text, cellText.begin, cellText.end, 0, 0, wrapWidth, wrapWidth, depth + 1);
            TableCellRecord& cell = m_records.tables[recordIndex].cells[p];
            cell.width = AddClamped(std::max(content.cx, cellStyle.width), 2 * inset);
            cell.height = AddClamped(std::max(content.cy, cellStyle.height), 2 * inset);
            cell.fixed = cellStyle.width > 0;
            cell.contentHeight = content.cy;
            cell.wrapWidth = wrapWidth;
        } else {
            const TableCellRecord cell = p < record->cells.size() ? record->cells[p] : TableCellRecord();
            const int column = placement.column;
            const int rowIndex = static_cast<int>(placement.row);
            if (static_cast<std::size_t>(column + placement.columnSpan) >= columnStarts.size() ||
                static_cast<std::size_t>(rowIndex + placement.rowSpan) >= rowStarts.size())
                continue; // a record of another shape: never when both passes read the same text
            Rect box;
            box.left = columnStarts[column];
            box.right = AddClamped(box.left, static_cast<long long>(columnStarts[column + placement.columnSpan]) -
                                                 columnStarts[column] - spacing - 1);
            box.top = rowStarts[rowIndex];
            box.bottom = AddClamped(box.top, static_cast<long long>(rowStarts[rowIndex + placement.rowSpan]) -
                                                 rowStarts[rowIndex] - spacing - 1);
            if (cellStyle.bkEffect >= 0)
                m_canvas.FillEffect(box, cellStyle.bkEffect, cellStyle.bkColor, cellStyle.bkMidColor,
                                    cellStyle.bkEndColor, 5);
            if (cellStyle.borderStyle != kBorderNone)
                m_canvas.DrawFrame(box, cellStyle.borderDark, cellStyle.borderLight, cellStyle.borderStyle, 1);
            const Rect inner{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
            const int free = std::max(0, inner.Height() - cell.contentHeight);
            int offset = 0;
            if (cellStyle.vAlign == kAlignVCenter)
                offset = free / 2;
            else if (cellStyle.vAlign == kAlignBottom)
                offset = free;
            const int wrapRight = std::min(inner.right, AddClamped(inner.left, cell.wrapWidth));
            LayoutDocument(text, cellText.begin, cellText.end, inner.left, AddClamped(inner.top, offset), inner.right,
                           wrapRight, depth + 1);
        }
    }

    Size size;
    if (m_measuring) {
        TableRecord& done = m_records.tables[recordIndex];
        int columns = 0;
        for (const Placement& placement : placements)
            columns = std::max(columns, placement.column + placement.columnSpan);
        done.columnWidths.assign(columns, 0);
        done.columnFixed.assign(columns, 0);
        done.rowHeights.assign(table.rows.size(), 0);
        SizeLines(done.columnWidths, &done.columnFixed, placements, done.cells, true);
        SizeLines(done.rowHeights, nullptr, placements, done.cells, false);
        const int border = tableStyle.borderStyle == kBorderDouble ? 6 : 2 * tableStyle.borderWidth;
        done.width = Clamp(TableExtent(done.columnWidths, spacing) + border, 0, kMaxCoordinate);
        done.height = Clamp(TableExtent(done.rowHeights, spacing) + border, 0, kMaxCoordinate);
        size = Size{done.width, done.height};
    } else {
        size = Size{tableRect.Width(), tableRect.Height()};
    }

    m_style = saved;
    m_stack.Truncate(savedDepth);
    Reselect();
    return size;
}

} // namespace htmltip
