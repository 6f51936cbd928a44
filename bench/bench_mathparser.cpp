// bench_mathparser - TCvMathParser::Calculate against muparser's Eval on the
// same formulas, and the cost of Compile.  Ends with a summary of
// evaluations per second and the ratio pack/muparser for each formula.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CvMathParser.h"

namespace {

struct BenchFormula {
    const char* Name;
    const char* Pack;      // the pack's syntax (X, Y, upper-case names)
    const char* MuParser;  // the same formula in muparser's syntax
};

// Functions whose meaning is the same in both: SQRT, ABS, LN, EXP (the
// trigonometric ones differ: the pack takes degrees).
const BenchFormula kFormulas[] = {
    {"arith", "X*X+2*X*Y-Y/3", "x*x+2*x*y-y/3"},
    {"nested", "((X+1)*(Y-2))/((X-3)*(Y+4))", "((x+1)*(y-2))/((x-3)*(y+4))"},
    {"functions", "SQRT(ABS(X))+LN(EXP(Y))", "sqrt(abs(x))+ln(exp(y))"},
};

// X and Y change every iteration, so nothing can be folded into a constant.
// Both sides walk the same sequence of values.
constexpr double kStepX = 0.000123, kStepY = 0.000071;

void BM_Pack(benchmark::State& State, int Index) {
    corvane::TCvMathParser parser(nullptr);
    parser.SetFormula(kFormulas[Index].Pack);
    if (!parser.Compile()) {
        State.SkipWithError(parser.ErrorMsg().c_str());
        return;
    }
    double x = 0.5, y = 1.5;
    long double sum = 0;
    for (auto _ : State) {
        sum += parser.Calculate(x, y);
        x += kStepX;
        y += kStepY;
        if (x > 100) x = 0.5, y = 1.5;
    }
    benchmark::DoNotOptimize(sum);
    State.counters["evals/s"] = benchmark::Counter(static_cast<double>(State.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void BM_MuParser(benchmark::State& State, int Index) {
    double x = 0.5, y = 1.5;
    mu::Parser parser;
    try {
        parser.DefineVar("x", &x);
        parser.DefineVar("y", &y);
        parser.SetExpr(kFormulas[Index].MuParser);
        parser.Eval();  // parses on the first evaluation
    } catch (const mu::Parser::exception_type& e) {
        State.SkipWithError(e.GetMsg().c_str());
        return;
    }
    x = 0.5;
    y = 1.5;
    double sum = 0;
    for (auto _ : State) {
        sum += parser.Eval();
        x += kStepX;
        y += kStepY;
        if (x > 100) x = 0.5, y = 1.5;
    }
    benchmark::DoNotOptimize(sum);
    State.counters["evals/s"] = benchmark::Counter(static_cast<double>(State.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void BM_PackCompile(benchmark::State& State, int Index) {
    corvane::TCvMathParser parser(nullptr);
    parser.SetFormula(kFormulas[Index].Pack);
    for (auto _ : State) benchmark::DoNotOptimize(parser.Compile());
    State.counters["compiles/s"] = benchmark::Counter(static_cast<double>(State.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// For reference: muparser parses lazily, so its "compile" is SetExpr plus
// the first evaluation.
void BM_MuParserCompile(benchmark::State& State, int Index) {
    double x = 0.5, y = 1.5;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.DefineVar("y", &y);
    for (auto _ : State) {
        parser.SetExpr(kFormulas[Index].MuParser);
        benchmark::DoNotOptimize(parser.Eval());
    }
    State.counters["compiles/s"] = benchmark::Counter(static_cast<double>(State.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// Collects the rate counters of the runs for the summary: the mean when the
// benchmarks are repeated, the run itself otherwise.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Rates;

    void ReportRuns(const std::vector<Run>& Reports) override {
        for (const Run& r : Reports) {
            if (r.error_occurred) continue;
            const bool mean = r.run_type == Run::RT_Aggregate && r.aggregate_name == "mean";
            if (r.run_type == Run::RT_Aggregate && !mean) continue;
            const std::string key = r.run_name.function_name;
            if (!mean && FromMean.count(key)) continue;
            if (mean) FromMean.insert(key);
            for (const char* counter : {"evals/s", "compiles/s"}) {
                auto it = r.counters.find(counter);
                if (it != r.counters.end()) Rates[key] = it->second;
            }
        }
        ConsoleReporter::ReportRuns(Reports);
    }

private:
    std::set<std::string> FromMean;
};

void PrintSummary(const SummaryReporter& Reporter) {
    auto rate = [&](const std::string& key) {
        auto it = Reporter.Rates.find(key);
        return it == Reporter.Rates.end() ? 0.0 : it->second;
    };
    std::printf("\n%-10s %16s %16s %8s\n", "formula", "pack evals/s", "muparser evals/s", "ratio");
    for (const BenchFormula& f : kFormulas) {
        const double pack = rate(std::string("BM_Pack/") + f.Name);
        const double mup = rate(std::string("BM_MuParser/") + f.Name);
        if (pack > 0 && mup > 0)
            std::printf("%-10s %16.4g %16.4g %8.2f\n", f.Name, pack, mup, pack / mup);
    }
    std::printf("\n%-10s %16s %16s %8s\n", "formula", "pack compiles/s", "muparser parse/s", "ratio");
    for (const BenchFormula& f : kFormulas) {
        const double pack = rate(std::string("BM_PackCompile/") + f.Name);
        const double mup = rate(std::string("BM_MuParserCompile/") + f.Name);
        if (pack > 0 && mup > 0)
            std::printf("%-10s %16.4g %16.4g %8.2f\n", f.Name, pack, mup, pack / mup);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < static_cast<int>(std::size(kFormulas)); ++i) {
        const std::string name = kFormulas[i].Name;
        benchmark::RegisterBenchmark(("BM_Pack/" + name).c_str(), BM_Pack, i);
        benchmark::RegisterBenchmark(("BM_MuParser/" + name).c_str(), BM_MuParser, i);
    }
    for (int i = 0; i < static_cast<int>(std::size(kFormulas)); ++i) {
        const std::string name = kFormulas[i].Name;
        benchmark::RegisterBenchmark(("BM_PackCompile/" + name).c_str(), BM_PackCompile, i);
        benchmark::RegisterBenchmark(("BM_MuParserCompile/" + name).c_str(), BM_MuParserCompile, i);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
