// Cost of the layout model: building a one-page layout of 200 text objects, reading every
// published property of every object by name (nested objects included) and destroying it; and
// the heap a single text object takes.

#include "report/model/frxClass.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

// Counts live heap bytes so that the size of one object can be read off directly.
static std::atomic<long long> g_live{0};

void *operator new(std::size_t size)
{
    auto *block = static_cast<std::size_t *>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block)
        throw std::bad_alloc();
    *block = size;
    g_live += static_cast<long long>(size);
    return reinterpret_cast<char *>(block) + sizeof(std::max_align_t);
}

void operator delete(void *p) noexcept
{
    if (!p)
        return;
    auto *block = reinterpret_cast<std::size_t *>(static_cast<char *>(p) - sizeof(std::max_align_t));
    g_live -= static_cast<long long>(*block);
    std::free(block);
}

void operator delete(void *p, std::size_t) noexcept
{
    operator delete(p);
}

static int ReadAll(const TfrxPropTarget &target)
{
    int count = 0;
    for (const TfrxPropInfo &prop : frxClassInfo(target).Props()) {
        const TfrxPropInfo *found = frxFindProp(target, prop.Name());
        if (found->Kind() == TfrxPropKind::Class) {
            count += ReadAll(found->GetNested(target));
        } else {
            QVariant value = found->Read(target);
            count += value.isValid() ? 1 : 0;
        }
    }
    return count;
}

static int Cycle()
{
    auto *report = new TfrxReport(nullptr);
    auto *page = new TfrxReportPage(report);
    page->CreateUniqueName();
    page->SetPaperWidth(100);
    page->SetPaperHeight(150);
    for (int i = 0; i < 200; ++i) {
        auto *memo = new TfrxMemoView(page);
        memo->CreateUniqueName();
        memo->SetBounds(10 + i, 20 + i, 80, 19);
        memo->SetText(QStringLiteral("[FD.\"收件人\"]"));
    }
    int values = ReadAll(report);
    for (TfrxComponent *c : report->AllObjects())
        values += ReadAll(c);
    delete report;
    return values;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int values = Cycle(); // warm the metadata cache and the allocator

    std::vector<double> times;
    for (int run = 0; run < 50; ++run) {
        QElapsedTimer timer;
        timer.start();
        Cycle();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());

    // One text object, measured over 200 of them on a page.
    auto *report = new TfrxReport(nullptr);
    auto *page = new TfrxReportPage(report);
    long long before = g_live.load();
    for (int i = 0; i < 200; ++i) {
        auto *memo = new TfrxMemoView(page);
        memo->SetBounds(10, 20, 80, 19);
    }
    long long perMemo = (g_live.load() - before) / 200;
    delete report;

    std::printf(
        "layout of 1 page with 200 text objects, create + read %d property values by name + destroy:\n",
        values);
    std::printf("  median %.3f ms, best %.3f ms, worst %.3f ms (50 runs)\n", times[times.size() / 2],
                times.front(), times.back());
    std::printf("text object heap size: %lld bytes\n", perMemo);
    return 0;
}
