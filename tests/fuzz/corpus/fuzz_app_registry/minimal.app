pl-app-record 1
signature application/x-a
executable /a
