// bench_cgiconnect - the work TCvCGIConnect does for one typical request:
// read the request profile (fields, sections, one external field), build a
// page of about 10 KB and write the response file.  For reference, the same
// response file written with plain stdio, which is the least any program
// must do.  Ends with a summary: microseconds per request and the ratio to
// the plain write.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CvCGIConnect.h"
#include "ProcessControl.h"

namespace {

std::string gDir;

// The profile a web server writes for a form POST with three literal
// fields, a repeated one and a multi-line text in a file of its own.
void WriteRequest() {
    char name[] = "/tmp/bench_cgiconnect.XXXXXX";
    gDir = mkdtemp(name);
    const std::string note = "first line\r\nsecond line\r\nthird line";
    std::ofstream(gDir + "/field00001.txt", std::ios::binary) << note;
    std::ofstream(gDir + "/content.inp", std::ios::binary)
        << "name=Anna&color=red&color=blue&qty=3&note=first+line%0D%0Asecond+line%0D%0Athird+line";
    std::ofstream profile(gDir + "/request.ini", std::ios::binary);
    profile << "[CGI]\r\nRequest Protocol=HTTP/1.1\r\nRequest Method=POST\r\n"
               "Executable Path=/orders.wcgi\r\nLogical Path=/new\r\nQuery String=lang=de\r\n"
               "User Agent=Mozilla/5.0 (X11; Linux x86_64)\r\n"
               "Content Type=application/x-www-form-urlencoded\r\nContent Length=87\r\n"
               "Content File="
            << gDir
            << "/content.inp\r\nServer Software=lighttpd/1.4.69\r\nServer Name=www.example.org\r\n"
               "Server Port=80\r\nServer Admin=webmaster@example.org\r\nCGI Version=CGI/1.3a WIN\r\n"
               "Remote Host=10.0.0.7\r\nRemote Address=10.0.0.7\r\nRemote Adress=10.0.0.7\r\n\r\n"
               "[System]\r\nGMT Offset=3600\r\nOutput File="
            << gDir << "/response.out\r\nContent File=" << gDir
            << "/content.inp\r\nDebug Mode=No\r\n\r\n"
               "[Accept]\r\ntext/html=Yes\r\napplication/xhtml+xml=Yes\r\n*/*=q=0.8\r\n\r\n"
               "[Extra Headers]\r\nHost=www.example.org\r\nAccept-Language=de,en;q=0.7\r\n"
               "Cookie=session=4f2a9c\r\n\r\n"
               "[Form Literal]\r\nname=Anna\r\ncolor=red\r\ncolor_1=blue\r\nqty=3\r\n\r\n"
               "[Form External]\r\nnote="
            << gDir << "/field00001.txt " << note.size() << "\r\n\r\n[Form Huge]\r\n";
    vcl::SetCommandLine({"bench_cgiconnect", gDir + "/request.ini"});
}

// One table row of the page; 100 of them and the frame make about 10 KB.
std::string Row(int I) {
    return "<TR><TD>Order " + std::to_string(1000 + I) +
           "</TD><TD>Anna Example</TD><TD>red, blue</TD><TD ALIGN=RIGHT>" + std::to_string(I * 7 % 100) +
           ".50 EUR</TD></TR>";
}
constexpr int kRows = 100;

void BM_Request(benchmark::State& State) {
    size_t bytes = 0;
    const std::string output = gDir + "/response.out";
    for (auto _ : State) {
        // Each request gets a fresh output file from the web server.
        State.PauseTiming();
        std::remove(output.c_str());
        State.ResumeTiming();
        corvane::TCvCGIConnect cgi(nullptr);
        cgi.SetTitle("Orders of " + cgi.GetFormField("name"));
        cgi.SetBgColor("FFFFFF");
        cgi.StartSendCGI();
        cgi.SendHdr(2, "Your orders");
        const auto colors = cgi.GetFormMultiField("color");
        cgi.Send("<P>Colours: " + std::to_string(colors->Count()) + ", quantity " +
                 std::to_string(cgi.GetFormFieldInt("qty", true)) + "</P>");
        cgi.Send("<PRE>" + cgi.GetFormField("note") + "</PRE>");
        cgi.Send("<TABLE>");
        for (int i = 0; i < kRows; ++i) cgi.Send(Row(i));
        cgi.Send("</TABLE>");
        cgi.SendAdress("Questions?", true, true);
        cgi.EndSendCGI();
        bytes = static_cast<size_t>(cgi.OutputBuffer()->Size());
    }
    State.counters["page bytes"] = static_cast<double>(bytes);
    State.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

// Reading the profile alone.
void BM_ReadProfile(benchmark::State& State) {
    for (auto _ : State) {
        corvane::TCvCGIConnect cgi(nullptr);
        benchmark::DoNotOptimize(cgi.FormLiteral()->Count());
    }
    State.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

// For reference: a response of the same size written with stdio.
void BM_PlainWrite(benchmark::State& State) {
    std::string page = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<HTML><BODY>\r\n";
    for (int i = 0; i < kRows; ++i) page += Row(i) + "\r\n";
    page += "</BODY></HTML>\r\n";
    const std::string file = gDir + "/plain.out";
    for (auto _ : State) {
        State.PauseTiming();
        std::remove(file.c_str());
        State.ResumeTiming();
        FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(page.data(), 1, page.size(), f);
        std::fclose(f);
    }
    State.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Rates;

    void ReportRuns(const std::vector<Run>& Reports) override {
        for (const Run& r : Reports) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "mean") continue;
            auto it = r.counters.find("requests/s");
            if (it == r.counters.end()) continue;
            const std::string key = r.run_name.function_name;
            if (r.run_type == Run::RT_Aggregate || !Rates.count(key)) Rates[key] = it->second;
        }
        ConsoleReporter::ReportRuns(Reports);
    }
};

}  // namespace

int main(int argc, char** argv) {
    WriteRequest();
    benchmark::RegisterBenchmark("BM_Request", BM_Request);
    benchmark::RegisterBenchmark("BM_ReadProfile", BM_ReadProfile);
    benchmark::RegisterBenchmark("BM_PlainWrite", BM_PlainWrite);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double request = reporter.Rates["BM_Request"];
    const double profile = reporter.Rates["BM_ReadProfile"];
    const double plain = reporter.Rates["BM_PlainWrite"];
    if (request > 0 && plain > 0)
        std::printf("\nrequest: %.1f us (profile %.1f us); plain write of the same response %.1f us; "
                    "ratio %.2f\n",
                    1e6 / request, profile > 0 ? 1e6 / profile : 0.0, 1e6 / plain, plain / request);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(gDir, ec);
    return 0;
}
