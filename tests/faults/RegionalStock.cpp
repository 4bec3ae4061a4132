// The regional stock's cases are defined in MeetingSaves.cpp, whose set-up they share.
