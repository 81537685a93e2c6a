-- Storage for this module's local stand-ins of the suite components (error
-- log, user audit, grid layouts), for a SQL Server database that runs them
-- instead of the suite's own components. Leaves existing tables alone.

IF OBJECT_ID(N'dbo.aErrorLog', N'U') IS NULL
  CREATE TABLE dbo.aErrorLog (
    ErrorID          int IDENTITY(1,1) PRIMARY KEY,
    LoggedAt         datetime       NULL,
    FormName         varchar(50)    NULL,
    UserName         varchar(50)    NULL,
    ProcedureName    varchar(50)    NULL,
    ErrorNumber      int            NULL,
    ErrorSource      varchar(100)   NULL,
    ErrorDescription varchar(1000)  NULL,
    ExtraText        varchar(100)   NULL,
    StatementText    nvarchar(max)  NULL
  );
GO
IF COL_LENGTH(N'dbo.aErrorLog', N'StatementText') IS NULL
  ALTER TABLE dbo.aErrorLog ADD StatementText nvarchar(max) NULL;
GO

IF OBJECT_ID(N'dbo.aUserTrail', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aUserTrail (
    TrailID      int IDENTITY(1,1) PRIMARY KEY,
    CompanyID    smallint     NULL,
    UserID       smallint     NULL,
    DepartmentID smallint     NULL,
    InterfaceID  int          NULL,
    PaymentID    int          NULL,
    VoucherNo    varchar(50)  NULL,
    Action       varchar(1)   NULL,
    LoggedTime   datetime     NULL,
    SavedTime    datetime     NULL,
    Details      varchar(250) NULL
  );
  CREATE INDEX ixUserTrailVoucher ON dbo.aUserTrail (CompanyID, PaymentID);
END;
GO

IF OBJECT_ID(N'dbo.aGridLayout', N'U') IS NULL
  CREATE TABLE dbo.aGridLayout (
    UserID      smallint    NOT NULL,
    CompanyID   smallint    NOT NULL,
    GridName    varchar(50) NOT NULL,
    ColumnIndex int         NOT NULL,
    WidthTwips  int         NOT NULL,
    CONSTRAINT pkGridLayout PRIMARY KEY (UserID, CompanyID, GridName, ColumnIndex)
  );
GO
