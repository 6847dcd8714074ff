// Counts the xruns a JACK server reports to an idle client over a number of seconds: a control for
// the soak test, run on a second server beside the soak's own, which gives the xruns that the
// machine's load alone causes. A process of its own, since one process reaches one JACK server.
//   vortane_xrun_probe <server> <seconds>   prints the count; exit status 1 when the server is absent
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <server> <seconds>\n", argv[0]);
        return 2;
    }
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "vortane-xrun-probe", JackOptions(JackNoStartServer | JackServerName), &status, argv[1]);
    if (client == nullptr) {
        std::fprintf(stderr, "no JACK server \"%s\"\n", argv[1]);
        return 1;
    }
    std::atomic<int> xruns{0};
    jack_set_process_callback(
        client, [](jack_nframes_t, void*) { return 0; }, nullptr);
    jack_set_xrun_callback(
        client, [](void* count) { return static_cast<std::atomic<int>*>(count)->fetch_add(1), 0; }, &xruns);
    if (jack_activate(client) != 0) {
        jack_client_close(client);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    jack_deactivate(client);
    jack_client_close(client);
    std::printf("%d\n", xruns.load());
    return 0;
}
