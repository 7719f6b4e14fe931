// Connection slots: a slot is free when it is not open. The handle counter skips
// 0, which means "none" to every caller of the library.
#include "rfc_standin/connections.h"

standin_connection *find_connection(standin_state &state, RFC_HANDLE handle) {
    if (handle == 0) return nullptr;
    for (standin_connection &connection : state.connections)
        if (connection.open && connection.handle == handle) return &connection;
    return nullptr;
}

standin_connection *add_connection(standin_state &state, const standin_system &system) {
    for (standin_connection &connection : state.connections) {
        if (connection.open) continue;
        connection = standin_connection{};
        connection.open = true;
        if (++state.last_handle == 0) ++state.last_handle;
        connection.handle = state.last_handle;
        connection.system = system;
        state.last_opened = system;
        state.any_opened = true;
        return &connection;
    }
    return nullptr;
}

void close_connections(standin_state &state, RFC_HANDLE handle) {
    for (standin_connection &connection : state.connections)
        if (connection.open && (handle == 0 || connection.handle == handle)) connection.open = false;
}
