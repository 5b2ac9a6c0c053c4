#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <vector>

// A tiny registry: each bench file registers its figures with CM_BENCH, and the main program
// runs all of them or those named on the command line.
namespace cmbench {

using Report = std::function<void(const QString &name, double value, const QString &unit)>;
using Body = std::function<void(const Report &)>;

struct Entry
{
    QString name;
    Body body;
};

std::vector<Entry> &registry();

struct Registrar
{
    Registrar(const char *name, Body body);
};

// Median wall time in milliseconds of `runs` calls of fn.
double medianMs(int runs, const std::function<void()> &fn);

// Heap allocations made so far by this process (operator new is counted in benchmain.cpp).
long long allocations();

// import_hostile_docx runs each import in a child: the bench started with
// "--import-child FILE" imports FILE and prints its time, memory and characters.
int importChild(const char *path);

// A script of `lines` lines of about ten words, with a cue line every tenth line.
QString makeScript(int lines);
// The same with lines of Latin and emoji, Chinese, and Arabic in turn.
QString makeIntlScript(int lines);

} // namespace cmbench

#define CM_BENCH_CONCAT2(a, b) a##b
#define CM_BENCH_CONCAT(a, b) CM_BENCH_CONCAT2(a, b)
#define CM_BENCH(name, body) \
    static const cmbench::Registrar CM_BENCH_CONCAT(cmBenchRegistrar, __LINE__)(name, body)
